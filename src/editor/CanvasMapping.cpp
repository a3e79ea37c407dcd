#include "editor/CanvasMapping.h"

#include <algorithm>

CanvasMapping CanvasMapping::fit(const QRectF &region, const QSizeF &size, double padding) {
    const double availableWidth = std::max(size.width() - 2 * padding, 40.0);
    const double availableHeight = std::max(size.height() - 2 * padding, 40.0);
    const double s = std::min(
        {availableWidth / std::max(region.width(), 1.0), availableHeight / std::max(region.height(), 1.0), 1.0});
    const double w = region.width() * s, h = region.height() * s;
    return {region, QRectF((size.width() - w) / 2, (size.height() - h) / 2, w, h)};
}

double CanvasMapping::scale() const { return frame.width() / std::max(visible.width(), 1.0); }

QRectF CanvasMapping::toView(const QRectF &r) const {
    const double s = scale();
    return {frame.left() + (r.left() - visible.left()) * s, frame.top() + (r.top() - visible.top()) * s, r.width() * s,
            r.height() * s};
}

QPointF CanvasMapping::toView(QPointF p) const { return toView(QRectF(p, QSizeF())).topLeft(); }

QPointF CanvasMapping::toImage(QPointF q) const {
    const double s = std::max(scale(), 1e-9);
    return {visible.left() + (q.x() - frame.left()) / s, visible.top() + (q.y() - frame.top()) / s};
}
