#include "widgets/FilledImage.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

void drawImageFilled(QPainter &painter, const QImage &image, const QPainterPath &shape) {
    if (image.isNull()) return;
    const QRectF box = shape.boundingRect();
    const QSizeF filled = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatioByExpanding);
    painter.save();
    painter.setClipPath(shape, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(box.center() - QPointF(filled.width() / 2, filled.height() / 2), filled), image);
    painter.restore();
}
