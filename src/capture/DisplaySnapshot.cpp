#include "capture/DisplaySnapshot.h"

#include "capture/RectMath.h"

QImage DisplaySnapshot::crop(const QRectF &rect) const {
    const std::optional<QRectF> inside = RectMath::intersection(rect, bounds);
    if (!inside) return {};
    const QRectF local = inside->translated(-bounds.topLeft());
    if (local.width() < 1 || local.height() < 1) return {};
    // One factor, from the widths, scales both directions.
    const double factor = image.width() / std::max(bounds.width(), 1.0);
    const QRectF scaled(local.x() * factor, local.y() * factor, local.width() * factor, local.height() * factor);
    const QRect pixels = RectMath::integral(scaled) & image.rect();
    if (pixels.isEmpty()) return {};
    return image.copy(pixels);
}
