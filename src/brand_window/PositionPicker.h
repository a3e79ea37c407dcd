#pragma once

#include "brand/art/BrandLogo.h"

#include <QWidget>

class QAbstractButton;

// A miniature screenshot frame (190 × 112) with six spots, top and bottom rows, where the logo can
// sit; the chosen one is filled in the accent. Each spot is a button of its own filling an equal share
// of its row, 26 tall, so the whole cell takes the click, and screen readers meet six choices named by
// their place, the chosen one checked. Emits `picked` on every click, the chosen spot too.
class PositionPicker : public QWidget {
    Q_OBJECT
public:
    explicit PositionPicker(QWidget *parent = nullptr);
    void setPosition(LogoPosition position);
    LogoPosition position() const { return m_position; }
    QAbstractButton *spot(LogoPosition position) const;

signals:
    void picked(LogoPosition position);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    LogoPosition m_position = LogoPosition::bottomRight;
    QList<QAbstractButton *> m_spots; // in the order of LogoPositions::all
};
