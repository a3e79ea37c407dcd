#pragma once

#include "core/Backdrop.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <utility>

class QPainter;

// Draws a backdrop into a rectangle. The backdrop swatches use its gradient end points and mesh image.
namespace BackdropRenderer {

// The mesh image's longer side when it is stretched over a canvas.
inline constexpr int canvasMeshResolution = 160;

// Start and end of a linear gradient at `angle` degrees (0 up, clockwise) over a rectangle of `size`,
// in unit coordinates of the rectangle (x from the left, y from the top); the line runs through the
// centre and reaches the farthest corners, so the points may lie outside 0…1. Sides of 1 or less
// count as 1.
std::pair<QPointF, QPointF> linearEndpoints(double angle, QSizeF size);

// The colours a backdrop's picture shows: the first ones, as many as its kind can have. A stored
// backdrop may hold more; they are kept, not drawn.
QList<quint32> drawnColors(const Backdrop &backdrop);

// The mesh blend of the backdrop's colours, computed in linear light, `resolution` pixels on its
// longer side (at least 8 on the shorter) for an area of `aspect` = width / height (taken within
// 1/8 … 8). Missing points come from the default point table; extra points are ignored. Opaque
// (Format_RGB32); null without colours or for a resolution outside 1 … 4096.
QImage meshImage(const Backdrop &backdrop, double aspect, int resolution);

// Draws the backdrop over `rect` through `painter`: cleared for transparent, flat for solid (black
// without a colour), a gradient for linear (extended past its ends), the stretched mesh image for mesh.
void draw(const Backdrop &backdrop, const QRectF &rect, QPainter &painter);

} // namespace BackdropRenderer
