#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace platform {

// Pictures read from disk with bounded memory, whatever the file claims: every reader checks the
// picture against the image limits (ImageChecks.h) before it allocates it, and the metadata a file
// declares cannot ask for more than a few megabytes. PNG goes through PngCodec, HEIC through
// HeifCodec, JPEG through Qt (its markers are small; turned upright by its orientation); other
// formats are refused. The format is told by the file's content, not its name. Only regular files are
// opened (RegularFile.h).
//
// Any thread. Damaged, hostile or unsupported input gives a null image, with a short reason in
// `error`.
namespace ImageFile {

// The whole picture: Format_ARGB32_Premultiplied when it has transparency, Format_RGB32 otherwise.
QImage read(const QString &path, QString *error = nullptr);
QImage decode(const QByteArray &bytes, QString *error = nullptr);

// For a thumbnail: the picture as small as it can be decoded while it still covers `atLeast` on both
// sides (never enlarged; a picture smaller than that comes whole), decoded at reduced size where the
// format allows it (a HEIC file's own thumbnail, a PNG reduced while it is read, JPEG's scaled
// decoding), at most about twice `atLeast` on the side that binds. The caller scales it to the exact
// size. Format_ARGB32_Premultiplied.
QImage readThumbnail(const QString &path, QSize atLeast, QString *error = nullptr);
QImage decodeThumbnail(const QByteArray &bytes, QSize atLeast, QString *error = nullptr);

// The picture scaled down smoothly to fit inside `box` in proportion (never enlarged), decoded at
// reduced size as readThumbnail does for the size it fits at: a HEIC capture from its own thumbnail
// when that is as large. The `maxSide` form fits it in a square box.
QImage readScaled(const QString &path, QSize box);
QImage readScaled(const QString &path, int maxSide);

// The upright pixel size of the picture, from its header only (not checked against the image limits).
std::optional<QSize> readSize(const QString &path, QString *error = nullptr);

} // namespace ImageFile
} // namespace platform
