#include "tutorial_window/GlowBackground.h"

#include "widgets/Theme.h"

#include <QPainter>
#include <QRadialGradient>

GlowBackground::GlowBackground(QWidget *parent) : QWidget(parent) {}

void GlowBackground::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Theme::bg());
    QRadialGradient glow(QPointF(width() * 0.5, height() * 0.3), 420);
    QColor from = Theme::accent();
    from.setAlphaF(0.1f);
    QColor to = Theme::accent();
    to.setAlphaF(0);
    glow.setColorAt(0, from);
    glow.setColorAt(1, to);
    p.fillRect(rect(), glow);
}
