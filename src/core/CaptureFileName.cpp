#include "core/CaptureFileName.h"

#include <QLocale>

namespace CaptureFileName {

QString stem(const QDateTime &time) {
    return QStringLiteral("Pelicarta ") + QLocale::c().toString(time, QStringLiteral("yyyy-MM-dd HH.mm.ss"));
}

QString withExtension(const QDateTime &time, const QString &extension) {
    return stem(time) + QLatin1Char('.') + extension;
}

std::optional<QDateTime> timeOf(const QString &fileName) {
    static const QString prefix = QStringLiteral("Pelicarta ");
    static const QString format = QStringLiteral("yyyy-MM-dd HH.mm.ss");
    if (!fileName.startsWith(prefix)) return std::nullopt;
    const QDateTime time = QLocale::c().toDateTime(fileName.mid(prefix.size(), format.size()), format);
    if (!time.isValid()) return std::nullopt;
    return time;
}

} // namespace CaptureFileName
