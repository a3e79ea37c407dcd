#include "core/ThumbnailFolder.h"

#include "platform/ImageFile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <utility>

namespace {

constexpr quint32 kMagic = 0x50435446; // "PCTF"
constexpr quint8 kVersion = 1;
const QString kSuffix = QStringLiteral(".thumb");
// Far more than a card picture takes: anything larger is no file of ours.
constexpr qint64 kMaxEntryBytes = 4LL * 1024 * 1024;
constexpr int kJpegQuality = 88;

bool hasTransparency(const QImage &image) {
    if (!image.hasAlphaChannel()) return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255) return true;
    }
    return false;
}

bool isEntryName(const QString &name) {
    return name.size() == 40 + kSuffix.size() && name.endsWith(kSuffix);
}

} // namespace

// What tells that a capture file is still the one its picture was made of.
struct ThumbnailFolder::Stamp {
    qint64 size = -1;
    qint64 modified = 0;
    qint64 changed = 0;

    static Stamp of(const QString &path) {
        const QFileInfo info(path);
        if (!info.isFile()) return {};
        return {info.size(), info.lastModified().toMSecsSinceEpoch(),
                info.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch()};
    }
    bool isValid() const { return size >= 0; }
    bool operator==(const Stamp &) const = default;
};

ThumbnailFolder::ThumbnailFolder(QString folder, qint64 maxBytes) : m_folder(std::move(folder)), m_maxBytes(maxBytes) {}

QString ThumbnailFolder::entryOf(const QString &path) const {
    return m_folder + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex()) + kSuffix;
}

QImage ThumbnailFolder::fetch(const QString &path, QSize box, const std::function<QImage()> &make) {
    if (QImage kept = read(path, box); !kept.isNull()) return kept;
    // Stamped as the file was before it was read: one replaced meanwhile is not taken for this picture.
    const Stamp stamp = Stamp::of(path);
    QImage made = make();
    if (!made.isNull() && stamp.isValid() && !m_folder.isEmpty()) {
        write(path, box, stamp, made);
        // Removed while it was made: its picture must not outlive it here.
        if (!Stamp::of(path).isValid()) remove(path);
    }
    return made;
}

QImage ThumbnailFolder::read(const QString &path, QSize box) const {
    if (m_folder.isEmpty() || box.isEmpty()) return {};
    QFile file(entryOf(path));
    if (QFileInfo(file).isSymLink() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes) return {};
    QDataStream in(&file);
    quint32 magic = 0;
    quint8 version = 0;
    qint32 width = 0, height = 0;
    Stamp kept;
    QByteArray picture;
    in >> magic >> version >> width >> height >> kept.size >> kept.modified >> kept.changed >> picture;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion || QSize(width, height) != box)
        return {};
    if (!(kept == Stamp::of(path))) return {};
    const QImage image = platform::ImageFile::decode(picture);
    if (image.isNull() || image.width() > box.width() || image.height() > box.height()) return {};
    return image;
}

void ThumbnailFolder::write(const QString &path, QSize box, const Stamp &stamp, const QImage &picture) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    const bool transparent = hasTransparency(picture);
    QImageWriter writer(&buffer, transparent ? "png" : "jpeg");
    if (!transparent) writer.setQuality(kJpegQuality);
    if (!writer.write(transparent ? picture : picture.convertToFormat(QImage::Format_RGB32))) return;

    QSaveFile file(entryOf(path));
    if (!file.open(QIODevice::WriteOnly)) return;
    QDataStream out(&file);
    out << kMagic << kVersion << qint32(box.width()) << qint32(box.height()) << stamp.size << stamp.modified
        << stamp.changed << encoded;
    if (out.status() != QDataStream::Ok || !file.commit()) return;
    // Listed again only once the bytes written since the last listing may have passed the bound.
    const qint64 known = m_bytes.load();
    if (known < 0 || (m_bytes += 48 + encoded.size()) > m_maxBytes) trim();
}

void ThumbnailFolder::remove(const QString &path) {
    if (!m_folder.isEmpty()) QFile::remove(entryOf(path));
}

void ThumbnailFolder::keepOnly(const QStringList &paths) {
    if (m_folder.isEmpty()) return;
    QSet<QString> kept;
    for (const QString &path : paths) kept.insert(QFileInfo(entryOf(path)).fileName());
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        if (isEntryName(name) && !kept.contains(name)) QFile::remove(m_folder + QLatin1Char('/') + name);
    trim();
}

void ThumbnailFolder::trim() {
    const std::unique_lock lock(m_trimming, std::try_to_lock);
    if (!lock.owns_lock()) return; // another thread is at it
    // Newest first; the newest that fit in three quarters of the bound stay.
    const QFileInfoList entries = QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Time);
    qint64 total = 0;
    bool full = false;
    for (const QFileInfo &entry : entries) {
        if (!isEntryName(entry.fileName())) continue;
        full = full || total + entry.size() > m_maxBytes * 3 / 4;
        if (full) QFile::remove(entry.filePath());
        else total += entry.size();
    }
    m_bytes = total;
}
