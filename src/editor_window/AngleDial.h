#pragma once

#include <QWidget>

// A 64-point round dial turned by dragging: its knob points along an angle in degrees (0 up, growing
// clockwise). A press already sets the angle; every position snaps to 5°. To assistive technology it is
// a dial whose value is the angle ("90 graus"), which it may also set.
class AngleDial : public QWidget {
    Q_OBJECT
public:
    explicit AngleDial(QWidget *parent = nullptr);

    double angle() const { return m_angle; }
    // Shows an angle set elsewhere (not reported back).
    void setAngle(double degrees);
    // Turns the dial as the user does: the angle snapped, reported by angleEdited when it changed.
    void edit(double degrees);

    // The angle the pointer at `point` gives on a dial of `size`: measured from straight up, clockwise,
    // then snapped.
    static double angleAt(QPointF point, QSizeF size);
    // An angle in degrees rounded to the nearest 5° (halves away from zero) within 0…355: 359 gives 0.
    static double snapped(double degrees);

    QSize sizeHint() const override { return {64, 64}; }

signals:
    // The user turned the dial.
    void angleEdited(double degrees);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void turnTo(QPointF point);
    bool m_dragging = false;
    double m_angle = 0;
};
