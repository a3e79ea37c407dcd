#pragma once

#include "brand/art/BrandLogo.h"

#include <QWidget>

// A miniature screenshot frame (190 × 112) with six spots, top and bottom rows, where the logo can
// sit; the chosen one is filled in the accent. Emits `picked` on every click, the chosen spot too.
class PositionPicker : public QWidget {
    Q_OBJECT
public:
    explicit PositionPicker(QWidget *parent = nullptr);
    void setPosition(LogoPosition position);
    LogoPosition position() const { return m_position; }
    // Where a spot is drawn.
    QRectF spotRect(LogoPosition position) const;

signals:
    void picked(LogoPosition position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    LogoPosition m_position = LogoPosition::bottomRight;
};
