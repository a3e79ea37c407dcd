#pragma once

#include <QImage>
#include <QRectF>

// One display frozen at the start of a capture.
struct DisplaySnapshot {
    quint32 displayID = 0;
    QRectF bounds; // global points
    QImage image;  // the whole display in pixels

    // The part of the image under `rect` (global points), rounded outwards to whole pixels; null when
    // the rectangle overlaps the display by less than one point in either direction.
    QImage crop(const QRectF &rect) const;
    // The pixels `crop` takes for `rect`; empty where it gives a null image.
    QRect pixelRect(const QRectF &rect) const;
    // A size in points as the image's pixels (2 × on a screen of twice the density).
    QSizeF inPixels(const QSizeF &points) const;
};
