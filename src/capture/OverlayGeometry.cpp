#include "capture/OverlayGeometry.h"

#include "capture/RectMath.h"

#include <cmath>

const std::array<Handle, 8> Handle::all = {
    {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}},
};

std::optional<Handle> Handle::hit(const QPointF &point, const QRectF &rect) {
    for (const Handle &h : all) {
        const QPointF d = h.point(rect) - point;
        if (std::hypot(d.x(), d.y()) <= OverlayGeometry::handleHitRadius) return h;
    }
    return std::nullopt;
}

QPointF Handle::point(const QRectF &rect) const {
    const double px = x < 0 ? rect.left() : x > 0 ? rect.right() : rect.center().x();
    const double py = y < 0 ? rect.top() : y > 0 ? rect.bottom() : rect.center().y();
    return {px, py};
}

QRectF Handle::resize(const QRectF &rect, const QSizeF &delta) const {
    double minX = rect.left(), maxX = rect.right(), minY = rect.top(), maxY = rect.bottom();
    if (x == 1) maxX += delta.width();
    if (x == -1) minX += delta.width();
    if (y == 1) maxY += delta.height();
    if (y == -1) minY += delta.height();
    auto side = [](double a, double b) {
        const double length = std::abs(b - a);
        return length <= OverlayGeometry::minimumSide ? OverlayGeometry::minimumSide : length;
    };
    return {std::min(minX, maxX), std::min(minY, maxY), side(minX, maxX), side(minY, maxY)};
}

namespace OverlayGeometry {

QRectF clamp(const QRectF &rect, const QRectF &bounds) {
    const double w = std::min(rect.width(), bounds.width());
    const double h = std::min(rect.height(), bounds.height());
    double x = std::max(rect.left(), bounds.left());
    x = std::min(x, bounds.right() - w);
    double y = std::max(rect.top(), bounds.top());
    y = std::min(y, bounds.bottom() - h);
    return {x, y, w, h};
}

std::optional<QRectF> drawnRect(const QPointF &start, const QPointF &current, const QRectF &displayBounds) {
    const QRectF drawn(std::min(start.x(), current.x()), std::min(start.y(), current.y()),
                       std::abs(start.x() - current.x()), std::abs(start.y() - current.y()));
    return RectMath::intersection(drawn, displayBounds);
}

std::optional<QRectF> localSelection(const std::optional<QRectF> &selection,
                                     const std::optional<QRectF> &selectionBounds, const QRectF &displayBounds) {
    if (!selection || !selectionBounds || *selectionBounds != displayBounds) return std::nullopt;
    const QRectF local = toLocal(*selection, displayBounds);
    if (!(local.width() > 0 && local.height() > 0)) return std::nullopt;
    return local;
}

std::optional<QRectF> localWindow(const std::optional<QRectF> &hoveredFrame, const QRectF &displayBounds) {
    if (!hoveredFrame) return std::nullopt;
    const std::optional<QRectF> visible = RectMath::intersection(*hoveredFrame, displayBounds);
    if (!visible || !(visible->width() > 0 && visible->height() > 0)) return std::nullopt;
    return toLocal(*visible, displayBounds);
}

QPointF areaSizeLabelCenter(const QRectF &r, const QSizeF &display) {
    const double x = std::min(std::max(r.left() + 44, 58.0), display.width() - 58);
    const double y = r.top() > 34 ? r.top() - 18 : r.top() + 18;
    return {x, y};
}

QPointF windowSizeLabelCenter(const QRectF &v, const QSizeF &display) {
    const double x = std::min(std::max(v.right() - 50, 58.0), display.width() - 58);
    const double y = v.bottom() + 22 < display.height() - 100 ? v.bottom() + 22 : v.bottom() - 22;
    return {x, y};
}

QPointF windowBadgeCenter(const QRectF &v, const QSizeF &display) {
    const double y = v.height() > 140 ? v.center().y() : std::min(v.bottom() + 34, display.height() - 120);
    return {v.center().x(), y};
}

QPointF toolbarCenter(const QRectF &r, const QSizeF &display, bool tipsShown) {
    const double h = tipsShown ? 70 : 44;
    const double x = std::min(std::max(r.center().x(), 188.0), display.width() - 188);
    double y;
    if (r.bottom() + 12 + h < display.height() - 100) y = r.bottom() + 12 + h / 2; // below
    else if (r.top() - 12 > h) y = r.top() - 12 - h / 2;                           // above
    else y = r.bottom() - 12 - h / 2;                                              // inside, at the bottom
    return {x, y};
}

HintPlacement hintCard(const QPointF &m, const QSizeF &display) {
    HintPlacement p;
    p.flippedLeft = m.x() + 300 > display.width();
    p.flippedUp = display.height() - 100 < m.y() + 90;
    p.center = QPointF(p.flippedLeft ? m.x() - 153 : m.x() + 153, p.flippedUp ? m.y() - 44 : m.y() + 44);
    return p;
}

} // namespace OverlayGeometry
