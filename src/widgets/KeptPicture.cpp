#include "widgets/KeptPicture.h"

#include "widgets/Theme.h"

#include <QHash>
#include <QPaintDevice>
#include <QPainter>

QImage keptPicture(const QString &key, QSize size, qreal ratio, const std::function<void(QPainter &)> &paint) {
    static QHash<QString, QImage> kept;
    const QString fullKey = key + QStringLiteral("@%1x%2:%3").arg(size.width()).arg(size.height()).arg(ratio);
    if (const auto found = kept.constFind(fullKey); found != kept.constEnd()) return *found;
    QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    if (kept.size() >= 64) kept.clear();
    kept.insert(fullKey, picture);
    return picture;
}

void drawPlate(QPainter &painter, const QRect &rect, qreal radius, const QColor &fill, const QColor &line) {
    const QString key = QStringLiteral("plate:%1:%2:%3").arg(radius).arg(fill.rgba()).arg(line.rgba());
    const QImage plate = keptPicture(key, rect.size(), painter.device()->devicePixelRatioF(), [&](QPainter &p) {
        const QPainterPath shape =
            Theme::continuousRoundedRect(QRectF(QPointF(), rect.size()).adjusted(0.5, 0.5, -0.5, -0.5), radius);
        p.fillPath(shape, fill);
        p.setPen(QPen(line, 1));
        p.drawPath(shape);
    });
    painter.drawImage(rect.topLeft(), plate);
}
