#include "core/Notifier.h"

QImage Notifier::thumbnail(const QImage &image) {
    const QSize box = 2 * thumbnailBox;
    if (image.isNull() || image.width() <= box.width() || image.height() <= box.height()) return image;
    return image.scaled(box, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
}
