#pragma once

#include <QColor>
#include <QSlider>

// A horizontal slider drawn in the interface's look: a thin raised track filled with the tint up to a
// round light thumb. A press anywhere on the track moves the thumb there and drags it from there;
// every whole step it passes is a new value (`valueChanged`). The wheel moves it only once it has the
// focus (WheelGuard); until then it scrolls the page.
// Values are the QSlider's whole steps; callers map them to their own units.
class TintedSlider : public QSlider {
    Q_OBJECT
public:
    explicit TintedSlider(QColor tint, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {160, 22}; }
    QSize minimumSizeHint() const override { return {40, 22}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The thumb's centre for a value, along the usable width.
    qreal thumbCentre(int value) const;
    int valueAt(qreal x) const;

    QColor m_tint;
};
