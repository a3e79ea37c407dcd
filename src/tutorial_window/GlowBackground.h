#pragma once

#include <QWidget>

// The backdrop of the tutorial pages' empty states: the page colour with a faint accent glow from a
// point at half the width and 0.3 of the height, fading out over 420 points.
class GlowBackground : public QWidget {
    Q_OBJECT
public:
    explicit GlowBackground(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
