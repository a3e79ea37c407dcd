#include "widgets/SoftShadow.h"

#include "core/DropShadow.h"

#include <QCache>
#include <QPainter>
#include <QPainterPathStroker>

#include <cmath>
#include <optional>

namespace SoftShadow {

namespace {

struct Shadow {
    QImage image;   // tinted, at the device's pixel ratio
    QPointF origin; // where its top-left goes, relative to the shape's bounds' top-left
};

// The finished shadow of a shape, made once per geometry (relative to its own bounds), colour, radius
// and pixel ratio.
std::optional<Shadow> shadowOf(const QPainterPath &shape, const QColor &color, qreal radius, qreal dpr) {
    static QCache<QString, Shadow> cache(64 * 1024); // cost in KiB
    const QRectF bounds = shape.boundingRect();
    if (bounds.isEmpty() || !std::isfinite(bounds.width()) || bounds.width() * bounds.height() > 16e6)
        return std::nullopt;

    const QPainterPath local = shape.translated(-bounds.topLeft());
    QString key = QStringLiteral("%1|%2|%3|").arg(radius).arg(dpr).arg(color.rgba());
    for (int i = 0; i < local.elementCount(); ++i) {
        const auto e = local.elementAt(i);
        key += QStringLiteral("%1,%2,%3;").arg(int(e.type)).arg(e.x, 0, 'f', 2).arg(e.y, 0, 'f', 2);
    }
    if (const Shadow *hit = cache.object(key)) return *hit;

    Shadow made;
    made.image = DropShadow::shapeShadow(local, radius, color, dpr, &made.origin);
    if (made.image.isNull()) return std::nullopt;
    cache.insert(key, new Shadow(made), std::max<qsizetype>(1, made.image.sizeInBytes() / 1024));
    return made;
}

} // namespace

void paint(QPainter &painter, const QPainterPath &shape, const QColor &color, qreal radius, const QPointF &offset) {
    if (color.alpha() == 0) return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const std::optional<Shadow> shadow = shadowOf(shape, color, std::max<qreal>(radius, 0), dpr);
    if (shadow) painter.drawImage(shape.boundingRect().topLeft() + shadow->origin + offset, shadow->image);
}

void paintStrokeGlow(QPainter &painter, const QPainterPath &path, qreal lineWidth, const QColor &color, qreal radius) {
    QPainterPathStroker stroker;
    stroker.setWidth(lineWidth);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setCapStyle(Qt::FlatCap);
    paint(painter, stroker.createStroke(path), color, radius);
}

} // namespace SoftShadow
