#include "widgets/Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace Icons {

namespace {

QString resourcePath(const QString &name) { return QStringLiteral(":/icons/%1.svg").arg(name); }

} // namespace

bool exists(const QString &name) { return QFile::exists(resourcePath(name)); }

QPixmap pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio) {
    static QHash<QString, QPixmap> cache;
    const QString key =
        QStringLiteral("%1|%2|%3|%4").arg(name).arg(size).arg(color.name(QColor::HexArgb)).arg(devicePixelRatio);
    if (const auto it = cache.constFind(key); it != cache.cend()) return *it;

    QFile file(resourcePath(name));
    if (size <= 0 || !file.open(QIODevice::ReadOnly)) return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return {};
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap result(pixels, pixels);
    result.fill(Qt::transparent);
    {
        QPainter p(&result);
        p.setRenderHint(QPainter::Antialiasing);
        p.setOpacity(color.alphaF());
        renderer.render(&p, QRectF(0, 0, pixels, pixels));
    }
    result.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, result);
    return result;
}

QIcon icon(const QString &name, const QColor &color) {
    QIcon result;
    for (int size : {16, 24, 32}) {
        const QPixmap p = pixmap(name, size, color, 1.0);
        if (!p.isNull()) result.addPixmap(p);
        const QPixmap hi = pixmap(name, size, color, 2.0);
        if (!hi.isNull()) result.addPixmap(hi);
    }
    return result;
}

QIcon trayIcon() { return QIcon(QStringLiteral(":/images/MenuBarIcon.svg")); }

} // namespace Icons
