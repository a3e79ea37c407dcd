#pragma once

#include "core/Annotation.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRectF>

#include <optional>

// Bakes the editor's marks into the captured image. The editor's live canvas draws with the same
// pieces (the mosaic, the arrow outline, the label ink, font and pill), so what is drawn matches what
// is exported.
namespace AnnotationRenderer {

struct TextAttributes {
    QFont font; // sized in pixels on a 72-dpi device (see SystemFont)
    QColor foreground;
};

// The image cut to `crop` (in image pixels; ignored unless at least 8 × 8 pixels of it lie inside the
// image) with every mark drawn in list order, blur mosaics first. Never null for a non-null image;
// without crop and marks it is the very same image. The marked copy is made in `*storage`, which is
// then taken, when that is an unshared image of the right size in Format_ARGB32_Premultiplied.
QImage render(const QImage &image, std::optional<QRectF> crop, const QList<Annotation> &annotations,
              QImage *storage = nullptr);

// The coarse copy of the image whose stretched pixels cover blurred regions: about 90 blocks along
// the longer side, blocks of at least 10 pixels. Null when it cannot be made.
QImage pixelate(const QImage &image);

// The closed outline of an arrow from `from` (tail) to `to` (tip); empty for a length of 1 or less.
QPainterPath arrowPath(QPointF from, QPointF to, double width);

// The ink for letters on a label of `color`: dark on light colours, white on the others.
QColor textColor(quint32 color);

// The font (system font, semibold, 5 × width but at least 14 pixels) and ink of a label.
TextAttributes textAttributes(const Annotation &annotation);

// The label's pill: its top-left corner at the annotation's start, sized to the text plus padding.
QRectF textBounds(const Annotation &annotation);

} // namespace AnnotationRenderer
