#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

class QPainter;
class QRectF;

// The small spinning progress indicator: twelve spokes whose brightness runs around the circle, one
// step every 80 ms. It turns only while shown.
class Spinner : public QWidget {
    Q_OBJECT
public:
    static constexpr int stepMs = 80;

    explicit Spinner(int side = 16, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_side, m_side}; }

    // Draws the indicator in `rect` at the current moment, for views that draw it themselves (they
    // repaint every `stepMs` while it shows).
    static void paint(QPainter &painter, const QRectF &rect, const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_side;
    QTimer m_timer;
};
