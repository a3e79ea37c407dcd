#include "core/CaptureFileName.h"

#include <QLocale>

namespace CaptureFileName {

QString stem(const QDateTime &time) {
    return QStringLiteral("Pelicarta ") + QLocale::c().toString(time, QStringLiteral("yyyy-MM-dd HH.mm.ss"));
}

QString withExtension(const QDateTime &time, const QString &extension) {
    return stem(time) + QLatin1Char('.') + extension;
}

} // namespace CaptureFileName
