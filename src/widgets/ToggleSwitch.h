#pragma once

#include <QAbstractButton>

class QPainter;
class QVariantAnimation;

// An on/off switch without a label: a rounded track, filled with the switch tint when on, and a round
// knob that slides across in a short ease-out. Checkable; a click toggles it (`toggled`, `clicked`).
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {38, 22}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    void follow(bool animated);
    void paintSwitch(QPainter &p) const;

    qreal m_position = 0; // 0 off, 1 on
    QVariantAnimation *m_animation;
};
