#include "widgets/ToolbarButtonStyle.h"

#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal kRadius = 7;

} // namespace

QFont ToolbarButtonStyle::font() const { return Theme::font(12, prominent ? QFont::DemiBold : QFont::Normal); }

QColor ToolbarButtonStyle::foreground() const { return prominent ? Theme::ink() : Theme::text(); }

void ToolbarButtonStyle::paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const {
    painter.setRenderHint(QPainter::Antialiasing);
    if (pressed) painter.setOpacity(painter.opacity() * 0.8);
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Theme::continuousRoundedRect(r, kRadius);
    if (prominent) {
        painter.fillPath(shape, Theme::accentGradient(r));
        return;
    }
    painter.fillPath(shape, Theme::raised());
    painter.setPen(QPen(Theme::line(), 1));
    painter.drawPath(shape);
}
