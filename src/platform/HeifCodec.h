#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace platform {

// HEIC (HEVC-coded HEIF) reading and writing. Qt cannot read or write HEIC here, so this goes
// through libheif with its x265 encoder and libde265 decoder.
//
// Every function may run on any thread at the same time. Failures come back as none, with a short
// technical reason in `error` when one is given; hostile or damaged input never crashes. Before
// anything is decoded, what decoding would allocate is read from the file's boxes (HeifLayout.h) and
// pictures beyond the image limits (ImageChecks.h) are refused; grid tiles are decoded one at a time.
// Files are read only when they are regular files (RegularFile.h).
namespace HeifCodec {

// The longer side of the thumbnail embedded in every encoded picture that is larger, so that lists of
// captures show them without decoding the pictures.
inline constexpr int embeddedThumbnailSide = 480;

// The image as HEIC bytes at `quality` 0 (smallest) … 1 (best). Transparency is kept as an alpha
// plane when the image has any; a fully opaque image is written without one.
std::optional<QByteArray> encode(const QImage &image, double quality, QString *error = nullptr);

// The primary picture of HEIC bytes or of a HEIC file: Format_ARGB32_Premultiplied when it carries
// alpha, Format_RGB32 otherwise.
std::optional<QImage> decode(const QByteArray &bytes, QString *error = nullptr);
std::optional<QImage> decodeFile(const QString &path, QString *error = nullptr);

// The primary picture reduced while it still covers `atLeast` (see PixelReducer;
// Format_ARGB32_Premultiplied, never enlarged): from the smallest thumbnail of the file's own that
// covers it (or is as large as the picture), else from the picture, reduced as it is copied out of the
// decoder.
std::optional<QImage> decodeThumbnail(const QByteArray &bytes, QSize atLeast, QString *error = nullptr);
std::optional<QImage> decodeFileThumbnail(const QString &path, QSize atLeast, QString *error = nullptr);

// The pixel size of the primary picture, read from the file's boxes without decoding it.
std::optional<QSize> readSize(const QByteArray &bytes, QString *error = nullptr);
std::optional<QSize> readFileSize(const QString &path, QString *error = nullptr);

} // namespace HeifCodec

} // namespace platform
