#include "widgets/ImageDrag.h"

#include <QDrag>
#include <QMimeData>
#include <QPixmap>
#include <QWidget>

namespace ImageDrag {

void start(QWidget *source, QMimeData *data, const QImage &picture, QSizeF shown) {
    auto *drag = new QDrag(source);
    drag->setMimeData(data);
    const qreal dpr = source->devicePixelRatioF();
    const QSize size = (shown * 0.5 * dpr).toSize();
    if (!picture.isNull() && !size.isEmpty()) {
        QImage small = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        small.setDevicePixelRatio(dpr);
        drag->setPixmap(QPixmap::fromImage(small));
        drag->setHotSpot(QPoint(small.width() / 2, small.height() / 2) / dpr);
    }
    drag->exec(Qt::CopyAction);
}

} // namespace ImageDrag
