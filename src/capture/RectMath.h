#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <optional>

// Rectangle arithmetic with the meaning screen geometry needs: rectangles that merely touch still
// intersect (in a zero-width or zero-height rectangle), and a point on the far edges is outside.
namespace RectMath {

inline std::optional<QRectF> intersection(const QRectF &a, const QRectF &b) {
    const QRectF r = a.normalized(), s = b.normalized();
    const double left = std::max(r.left(), s.left()), right = std::min(r.right(), s.right());
    const double top = std::max(r.top(), s.top()), bottom = std::min(r.bottom(), s.bottom());
    if (right < left || bottom < top) return std::nullopt;
    return QRectF(left, top, right - left, bottom - top);
}

// minX ≤ x < maxX and minY ≤ y < maxY.
inline bool contains(const QRectF &r, const QPointF &p) {
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

// The smallest whole-pixel rectangle holding r: origin rounded down, far edges rounded up.
inline QRect integral(const QRectF &r) {
    const int left = int(std::floor(r.left())), top = int(std::floor(r.top()));
    const int right = int(std::ceil(r.right())), bottom = int(std::ceil(r.bottom()));
    return QRect(left, top, right - left, bottom - top);
}

} // namespace RectMath
