#pragma once

class QImage;
class QPainter;
class QPainterPath;

// Draws `image` over the whole of `shape`, keeping its proportions: what does not fit is cut at the
// shape's edges, never letterboxed. Nothing for a null image.
void drawImageFilled(QPainter &painter, const QImage &image, const QPainterPath &shape);
