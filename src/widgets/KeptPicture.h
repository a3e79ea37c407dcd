#pragma once

#include <QImage>
#include <QString>

#include <functional>

class QColor;
class QPainter;
class QRect;

// Pictures the interface draws again and again at a few sizes (key cap shadows, plates), made once
// per key and kept for the process. A closed main window empties QPixmapCache, and making them again
// would put their painting, which Qt's raster engine slices across its thread pool, back into the
// next first frame. GUI thread only; past 64 pictures the cache starts again.
QImage keptPicture(const QString &key, QSize size, qreal ratio, const std::function<void(QPainter &)> &paint);

// A plate: Theme::continuousRoundedRect over `rect` (inset half a pixel) filled with `fill` and
// outlined with a 1-wide `line`, drawn from a kept picture.
void drawPlate(QPainter &painter, const QRect &rect, qreal radius, const QColor &fill, const QColor &line);
