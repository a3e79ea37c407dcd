#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where a region of the image is drawn on the canvas: `visible` (image pixels) shown in `frame`
// (canvas points, origin top left) at one scale for both axes.
struct CanvasMapping {
    QRectF visible;
    QRectF frame;

    // `region` fitted into `size` less `padding` on every side (at least 40 points either way), never
    // enlarged past one point per pixel, centred in the whole size.
    static CanvasMapping fit(const QRectF &region, const QSizeF &size, double padding);

    // Points per image pixel; a region under one pixel counts as one.
    double scale() const;
    QRectF toView(const QRectF &imageRect) const;
    QPointF toView(QPointF imagePoint) const;
    QPointF toImage(QPointF viewPoint) const;

    bool operator==(const CanvasMapping &) const = default;
};
