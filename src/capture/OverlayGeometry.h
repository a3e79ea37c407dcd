#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <optional>

// One of the eight resize handles of a selection: x −1/0/1 is the left edge, the middle, the right
// edge; y −1/0/1 the top edge, the middle, the bottom edge. (0, 0) is never a handle.
struct Handle {
    int x = 0;
    int y = 0;

    // In hit-test order: top row left to right, the middle row's two ends, bottom row left to right.
    static const std::array<Handle, 8> all;

    // The first handle whose point on `rect` lies within 12 points of `point`.
    static std::optional<Handle> hit(const QPointF &point, const QRectF &rect);

    // The handle's position on a rectangle.
    QPointF point(const QRectF &rect) const;

    // `rect` after dragging this handle by `delta` (the whole translation since the press). An edge
    // dragged across the opposite one flips the rectangle; no side becomes smaller than 4 points.
    QRectF resize(const QRectF &rect, const QSizeF &delta) const;

    friend bool operator==(const Handle &, const Handle &) = default;
};

// The selection overlay's arithmetic. Global coordinates span the desktop (points, origin at the top-
// left of the X screen, y down); local coordinates are one display's, origin at its top-left corner.
namespace OverlayGeometry {

inline constexpr double handleHitRadius = 12;
inline constexpr double minimumSide = 4;

// `rect` moved, and shrunk only when larger, so that it lies inside `bounds`.
QRectF clamp(const QRectF &rect, const QRectF &bounds);

// The rectangle drawn from press point `start` to `current` (both global), cut to the display;
// none when it misses the display.
std::optional<QRectF> drawnRect(const QPointF &start, const QPointF &current, const QRectF &displayBounds);

inline QPointF toLocal(const QPointF &global, const QRectF &displayBounds) { return global - displayBounds.topLeft(); }
inline QRectF toLocal(const QRectF &global, const QRectF &displayBounds) {
    return global.translated(-displayBounds.topLeft());
}
inline QPointF toGlobal(const QPointF &local, const QRectF &displayBounds) { return local + displayBounds.topLeft(); }

// The selection in this display's local coordinates: only on the display it was made on (bounds
// compared exactly) and only with a width and height above zero.
std::optional<QRectF> localSelection(const std::optional<QRectF> &selection,
                                     const std::optional<QRectF> &selectionBounds, const QRectF &displayBounds);

// The part of the hovered window on this display, in local coordinates.
std::optional<QRectF> localWindow(const std::optional<QRectF> &hoveredFrame, const QRectF &displayBounds);

// Where the overlay's elements are centred (local points; `displaySize` is the display's size).
QPointF areaSizeLabelCenter(const QRectF &selection, const QSizeF &displaySize);
QPointF windowSizeLabelCenter(const QRectF &visiblePart, const QSizeF &displaySize);
QPointF windowBadgeCenter(const QRectF &visiblePart, const QSizeF &displaySize);
// The toolbar block is 70 points high with the keyboard tips, 44 without.
QPointF toolbarCenter(const QRectF &selection, const QSizeF &displaySize, bool tipsShown);

inline constexpr double hintCardWidth = 270;
struct HintPlacement {
    QPointF center;
    bool flippedLeft = false; // content aligned to the card's trailing edge
    bool flippedUp = false;
};
HintPlacement hintCard(const QPointF &localMouse, const QSizeF &displaySize);

} // namespace OverlayGeometry
