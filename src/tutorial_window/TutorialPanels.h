#pragma once

#include <QColor>
#include <QWidget>

// The rounded panels and plain fills the tutorial pages are built from.

// A rounded rectangle filled with a colour and outlined with the hairline colour: trays, cards.
class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    RoundedPanel(const QColor &fill, qreal radius, QWidget *parent = nullptr);
    // The same drawing for widgets that paint themselves.
    static void paint(QWidget *widget, const QColor &fill, qreal radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    qreal m_radius;
};

// A plain area of one colour: header bars (the panel colour), dividers (the hairline colour, 1 high).
class FilledArea : public QWidget {
    Q_OBJECT
public:
    FilledArea(const QColor &fill, QWidget *parent = nullptr);
    static FilledArea *divider(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
};
