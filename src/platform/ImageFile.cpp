#include "platform/ImageFile.h"

#include "platform/HeifCodec.h"
#include "platform/ImageChecks.h"
#include "platform/PngCodec.h"
#include "platform/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace platform::ImageFile {

namespace {

enum class Kind { png, heif, jpeg, other };

Kind kindOf(const QByteArray &head) {
    if (PngCodec::isPng(head)) return Kind::png;
    if (head.size() >= 12 && head.mid(4, 4) == "ftyp") return Kind::heif;
    if (head.startsWith("\xff\xd8\xff")) return Kind::jpeg;
    return Kind::other;
}

std::nullopt_t fail(QString *error, const QString &message) {
    if (error) *error = message;
    return std::nullopt;
}

// JPEG through Qt: its markers are small, and the picture's size is checked before it is allocated.
std::optional<QImage> readJpeg(QIODevice &device, QSize reduceTo, QString *error) {
    QImageReader reader(&device, "jpeg");
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(maxImagePixels * 4 / (1024 * 1024)) + 1);
    const QSize size = reader.size();
    if (!fitsImageLimits(size)) return fail(error, QStringLiteral("picture beyond the image limits"));
    if (!reduceTo.isEmpty() && reduceTo.width() < size.width() && reduceTo.height() < size.height())
        reader.setScaledSize(size.scaled(reduceTo, Qt::KeepAspectRatioByExpanding));
    QImage image = reader.read();
    if (image.isNull()) return fail(error, reader.errorString());
    image.convertTo(!reduceTo.isEmpty() || image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                   : QImage::Format_RGB32);
    return image;
}

// `reduceTo` empty: the whole picture.
std::optional<QImage> decodeBytes(const QByteArray &bytes, QSize reduceTo, QString *error) {
    switch (kindOf(bytes.left(12))) {
    case Kind::png: {
        QBuffer buffer(const_cast<QByteArray *>(&bytes));
        buffer.open(QIODevice::ReadOnly);
        return PngCodec::decode(buffer, reduceTo, error);
    }
    case Kind::heif:
        return reduceTo.isEmpty() ? HeifCodec::decode(bytes, error)
                                  : HeifCodec::decodeThumbnail(bytes, reduceTo, error);
    case Kind::jpeg: {
        QBuffer buffer(const_cast<QByteArray *>(&bytes));
        buffer.open(QIODevice::ReadOnly);
        return readJpeg(buffer, reduceTo, error);
    }
    case Kind::other: break;
    }
    return fail(error, QStringLiteral("unsupported picture format"));
}

// Opens the regular file at `path` into `file`, without blocking on whatever else the path may be.
bool openRegular(const QString &path, QFile &file, QString *error) {
    RegularFile::Status status;
    QString reason;
    const int fd = RegularFile::open(path, &status, &reason);
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
    if (fd >= 0) ::close(fd);
    fail(error, QStringLiteral("cannot open %1: %2").arg(path, reason));
    return false;
}

std::optional<QImage> readPath(const QString &path, QSize reduceTo, QString *error) {
    QFile file;
    if (!openRegular(path, file, error)) return std::nullopt;
    switch (kindOf(file.peek(12))) {
    case Kind::png: return PngCodec::decode(file, reduceTo, error);
    case Kind::heif:
        // libheif reads the file itself, lazily, through its path.
        file.close();
        return reduceTo.isEmpty() ? HeifCodec::decodeFile(path, error)
                                  : HeifCodec::decodeFileThumbnail(path, reduceTo, error);
    case Kind::jpeg: return readJpeg(file, reduceTo, error);
    case Kind::other: break;
    }
    return fail(error, QStringLiteral("unsupported picture format"));
}

// The size a PNG's header gives; the header must be the first chunk.
std::optional<QSize> pngSize(const QByteArray &head, QString *error) {
    if (head.size() < 24 || head.mid(12, 4) != "IHDR") return fail(error, QStringLiteral("no PNG header"));
    const quint32 width = qFromBigEndian<quint32>(head.constData() + 16);
    const quint32 height = qFromBigEndian<quint32>(head.constData() + 20);
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu)
        return fail(error, QStringLiteral("damaged PNG header"));
    return QSize(int(width), int(height));
}

std::optional<QSize> jpegSize(QIODevice &device, QString *error) {
    QImageReader reader(&device, "jpeg");
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isEmpty()) return fail(error, reader.errorString());
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) size.transpose();
    return size;
}

QImage premultiplied(const std::optional<QImage> &decoded) {
    if (!decoded) return {};
    QImage image = *decoded;
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace

QImage read(const QString &path, QString *error) { return readPath(path, {}, error).value_or(QImage()); }

QImage decode(const QByteArray &bytes, QString *error) { return decodeBytes(bytes, {}, error).value_or(QImage()); }

QImage readThumbnail(const QString &path, QSize atLeast, QString *error) {
    if (atLeast.isEmpty()) {
        fail(error, QStringLiteral("no thumbnail size"));
        return {};
    }
    return premultiplied(readPath(path, atLeast, error));
}

QImage decodeThumbnail(const QByteArray &bytes, QSize atLeast, QString *error) {
    if (atLeast.isEmpty()) {
        fail(error, QStringLiteral("no thumbnail size"));
        return {};
    }
    return premultiplied(decodeBytes(bytes, atLeast, error));
}

std::optional<QSize> readSize(const QString &path, QString *error) {
    QFile file;
    if (!openRegular(path, file, error)) return std::nullopt;
    const QByteArray head = file.peek(24);
    switch (kindOf(head)) {
    case Kind::png: return pngSize(head, error);
    case Kind::heif: file.close(); return HeifCodec::readFileSize(path, error);
    case Kind::jpeg: return jpegSize(file, error);
    case Kind::other: break;
    }
    return fail(error, QStringLiteral("unsupported picture format"));
}

QImage readScaled(const QString &path, QSize box) {
    if (box.isEmpty()) return {};
    // Decoded only as large as the picture fitted in the box: a wide capture in a square box needs its
    // full height no more than its full width, and a HEIC file's own thumbnail covers the fitted size.
    const std::optional<QSize> size = readSize(path);
    if (!size || size->isEmpty()) return {};
    const double scale = std::min({1.0, double(box.width()) / size->width(), double(box.height()) / size->height()});
    const QSize fitted = scale == 1.0 ? *size
                                      : QSize(std::max(1, int(std::lround(size->width() * scale))),
                                              std::max(1, int(std::lround(size->height() * scale))));
    // A thumbnail a few pixels short of it still serves: the HEIC coder rounds its sides (a 1920 × 1080
    // capture's is 480 × 268), and the rest of the way is a scaling too small to see.
    const QSize slack =
        fitted == *size ? QSize(0, 0) : QSize(std::max(2, fitted.width() / 100), std::max(2, fitted.height() / 100));
    const QImage reduced = readThumbnail(path, (fitted - slack).expandedTo(QSize(1, 1)));
    if (reduced.isNull() || reduced.size() == fitted) return reduced;
    return reduced.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage readScaled(const QString &path, int maxSide) { return readScaled(path, QSize(maxSide, maxSide)); }

} // namespace platform::ImageFile
