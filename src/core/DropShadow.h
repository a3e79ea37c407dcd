#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <functional>

class QPainter;
class QPainterPath;
class QImage;

// Soft shadows as drawing APIs make them: the shape's coverage, blurred and tinted, drawn offset
// under the shape. The one shadow painter: the renderers draw through it, and so do the interface's
// panels (SoftShadow in src/widgets).
namespace DropShadow {

struct Style {
    QPointF offset;  // in device pixels, y downwards
    double blur = 0; // a shadow blur value (see GaussianBlur::sigmaForShadowBlur)
    QColor color;
};

// The shadow alone, as an image to draw at the returned device position: `paintShape` draws the shape
// (in the painter's current coordinates, `bounds` holding it) into the mask. Only the part that can
// reach the painter's device is made. A null image when nothing would show.
QImage render(const QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paintShape,
              const Style &style, QPoint *devicePosition);

// Draws that shadow through `painter` (its clip applies), before the caller draws the shape itself.
void paint(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paintShape,
           const Style &style);

// The whole shadow of `shape` (in logical pixels), unclipped and not offset, for a device of that pixel
// ratio: an image of that ratio to draw at `*topLeft` (logical) plus the offset. `blur` is in logical
// pixels. For shadows drawn again and again, which the caller keeps. A null image when nothing would show.
QImage shapeShadow(const QPainterPath &shape, double blur, const QColor &color, qreal devicePixelRatio,
                   QPointF *topLeft);

// Lays the shadow of `shape` (in pixels of `canvas`, a Format_ARGB32_Premultiplied image) straight
// onto the canvas, leaving out `skip`, where the caller is about to cover everything anyway. No mask
// or shadow image of the canvas's size is made: this is the path for large, very soft shadows.
void composite(QImage &canvas, const QPainterPath &shape, const Style &style, const QRect &skip = {});

} // namespace DropShadow
