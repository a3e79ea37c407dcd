#include "core/ByteCount.h"

#include <QLocale>

#include <algorithm>

QString byteCountText(qint64 bytes) {
    if (bytes <= 0) return QLocale().toString(0) + QStringLiteral(" KB");
    if (bytes < 999'500) return QLocale().toString(std::max<qint64>(1, (bytes + 500) / 1000)) + QStringLiteral(" KB");
    return QLocale().toString(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}
