#pragma once

#include "platform/HeifCodec.h"

namespace platform::HeifCodec {

// What the HEIC module hands the application: its implementations of the HeifCodec functions.
struct Functions {
    std::optional<QByteArray> (*encode)(const QImage &, double, QString *);
    std::optional<QImage> (*decode)(const QByteArray &, QString *);
    std::optional<QImage> (*decodeFile)(const QString &, QString *);
    std::optional<QImage> (*decodeThumbnail)(const QByteArray &, QSize, QString *);
    std::optional<QImage> (*decodeFileThumbnail)(const QString &, QSize, QString *);
    std::optional<QSize> (*readSize)(const QByteArray &, QString *);
    std::optional<QSize> (*readFileSize)(const QString &, QString *);
};

} // namespace platform::HeifCodec
