#include "capture/DisplaySnapshot.h"

#include "capture/RectMath.h"

namespace {

// One factor, from the widths, scales both directions.
double pixelsPerPoint(const DisplaySnapshot &display) {
    return display.image.width() / std::max(display.bounds.width(), 1.0);
}

} // namespace

QRect DisplaySnapshot::pixelRect(const QRectF &rect) const {
    const std::optional<QRectF> inside = RectMath::intersection(rect, bounds);
    if (!inside) return {};
    const QRectF local = inside->translated(-bounds.topLeft());
    if (local.width() < 1 || local.height() < 1) return {};
    const double factor = pixelsPerPoint(*this);
    const QRectF scaled(local.x() * factor, local.y() * factor, local.width() * factor, local.height() * factor);
    return RectMath::integral(scaled) & image.rect();
}

QSizeF DisplaySnapshot::inPixels(const QSizeF &points) const { return points * pixelsPerPoint(*this); }

QImage DisplaySnapshot::crop(const QRectF &rect) const {
    const QRect pixels = pixelRect(rect);
    if (pixels.isEmpty()) return {};
    return image.copy(pixels);
}
