#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>

class QPainter;

// Drop shadows and glows of self-drawn panels: the shape's silhouette, blurred as a drawing API's
// shadow of that radius, tinted and offset, made by the core's DropShadow. Finished shadows are cached
// by shape, colour and radius, so a panel redrawn at every pointer move costs one image draw.
namespace SoftShadow {

void paint(QPainter &painter, const QPainterPath &shape, const QColor &color, qreal radius, const QPointF &offset = {});
// The glow of a stroked outline (the shadow of the stroke, not of the filled shape).
void paintStrokeGlow(QPainter &painter, const QPainterPath &path, qreal lineWidth, const QColor &color, qreal radius);

} // namespace SoftShadow
