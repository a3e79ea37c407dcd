#include "core/LineMemory.h"

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QtEndian>

#include <cmath>
#include <cstring>

#include <sys/stat.h>

namespace {

using platform::TextLine;

constexpr char kMagic[8] = {'P', 'C', 'L', 'I', 'N', 'E', 'S', '1'};
constexpr QCryptographicHash::Algorithm kDigest = QCryptographicHash::Blake2b_256;
constexpr qsizetype kDigestSize = 32;
// The file is about as large as what it holds; one larger was not written by a memory.
constexpr qint64 kMaxFileBytes = LineMemory::maxBytes + 1024 * 1024;
// Far beyond any line picture or what the engine reads of one.
constexpr quint32 kMaxSide = 1 << 16;
constexpr quint32 kMaxLinesPerPicture = 256;
constexpr qreal kMaxCoordinate = 1 << 20;

constexpr qsizetype kNumber = 4, kRect = 4 * 8;
constexpr qsizetype kGlyphBytes = 2 * kNumber + kRect, kWordBytes = 3 * kNumber + kRect;
constexpr qsizetype kEntryHead = kDigestSize + 3 * kNumber;
constexpr qsizetype kLineHead = 3 * kNumber + kRect;

QByteArray digestOf(const QByteArray &bytes) { return QCryptographicHash::hash(bytes, kDigest); }

qsizetype bytesOf(const LineMemory::Entry &entry) {
    qsizetype n = kEntryHead;
    for (const TextLine &line : entry.lines)
        n += kLineHead + 2 * line.text.size() + kGlyphBytes * line.glyphs.size() + kWordBytes * line.words.size();
    return n;
}

class Writer {
public:
    explicit Writer(qsizetype reserve) { m_bytes.reserve(reserve); }
    void raw(const char *data, qsizetype n) { m_bytes.append(data, n); }
    void number(quint32 value) {
        const quint32 le = qToLittleEndian(value);
        raw(reinterpret_cast<const char *>(&le), sizeof le);
    }
    void real(qreal value) {
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        bits = qToLittleEndian(bits);
        raw(reinterpret_cast<const char *>(&bits), sizeof bits);
    }
    void rect(const QRectF &r) {
        for (const qreal v : {r.x(), r.y(), r.width(), r.height()}) real(v);
    }
    QByteArray &bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads what Writer wrote; once anything is out of place every later read fails too.
class Reader {
public:
    Reader(const char *data, qsizetype size) : m_data(data), m_left(size) {}
    bool ok() const { return m_ok; }
    qsizetype left() const { return m_left; }
    // Whether `count` items of at least `each` bytes can follow: counts are checked before use.
    bool room(quint64 count, qsizetype each) {
        m_ok = m_ok && count <= quint64(m_left / each);
        return m_ok;
    }
    QByteArray raw(qsizetype n) {
        if (!m_ok || n > m_left) {
            m_ok = false;
            return {};
        }
        QByteArray bytes(m_data, n);
        m_data += n;
        m_left -= n;
        return bytes;
    }
    quint32 number() {
        const QByteArray b = raw(kNumber);
        return m_ok ? qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(b.constData())) : 0;
    }
    // At most `limit`.
    quint32 number(quint32 limit) {
        const quint32 n = number();
        m_ok = m_ok && n <= limit;
        return m_ok ? n : 0;
    }
    qreal real() {
        const QByteArray b = raw(8);
        if (!m_ok) return 0;
        const quint64 bits = qFromLittleEndian<quint64>(reinterpret_cast<const uchar *>(b.constData()));
        qreal value = 0;
        std::memcpy(&value, &bits, sizeof value);
        m_ok = std::isfinite(value) && std::abs(value) <= kMaxCoordinate;
        return m_ok ? value : 0;
    }
    QRectF rect() {
        const qreal x = real(), y = real(), w = real(), h = real();
        m_ok = m_ok && w >= 0 && h >= 0;
        return m_ok ? QRectF(x, y, w, h) : QRectF();
    }

private:
    const char *m_data;
    qsizetype m_left;
    bool m_ok = true;
};

// A range of a text of `size` UTF-16 units, read as start and length.
bool readRange(Reader &in, qsizetype size, qsizetype &start, qsizetype &length) {
    start = in.number();
    length = in.number();
    return in.ok() && start <= size && length <= size - start;
}

std::optional<TextLine> readLine(Reader &in) {
    TextLine line;
    const quint32 units = in.number();
    if (!in.room(units, 2)) return std::nullopt;
    const QByteArray text = in.raw(qsizetype(units) * 2);
    line.text.resize(units);
    for (quint32 i = 0; i < units; ++i)
        line.text[i] = QChar(qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(text.constData()) + 2 * i));
    line.box = in.rect();
    const quint32 glyphs = in.number();
    if (!in.room(glyphs, kGlyphBytes)) return std::nullopt;
    line.glyphs.reserve(glyphs);
    for (quint32 i = 0; i < glyphs; ++i) {
        TextLine::Glyph g;
        if (!readRange(in, line.text.size(), g.start, g.length)) return std::nullopt;
        g.box = in.rect();
        line.glyphs.append(g);
    }
    const quint32 words = in.number();
    if (!in.room(words, kWordBytes)) return std::nullopt;
    line.words.reserve(words);
    for (quint32 i = 0; i < words; ++i) {
        TextLine::Word w;
        if (!readRange(in, line.text.size(), w.start, w.length)) return std::nullopt;
        w.box = in.rect();
        w.confidence = int(in.number(100));
        line.words.append(w);
    }
    if (!in.ok()) return std::nullopt;
    return line;
}

bool fits(const QRectF &r) {
    for (const qreal v : {r.x(), r.y(), r.width(), r.height()})
        if (!std::isfinite(v) || std::abs(v) > kMaxCoordinate) return false;
    return r.width() >= 0 && r.height() >= 0;
}

bool fits(qsizetype start, qsizetype length, qsizetype size) {
    return start >= 0 && length >= 0 && start <= size && length <= size - start;
}

// Whether decode takes `entry` back as it is: what it would refuse is not remembered at all.
bool storable(const LineMemory::Entry &entry) {
    if (entry.key.size() != kDigestSize || entry.size.width() <= 0 || entry.size.height() <= 0 ||
        quint32(entry.size.width()) > kMaxSide || quint32(entry.size.height()) > kMaxSide ||
        entry.lines.size() > qsizetype(kMaxLinesPerPicture))
        return false;
    for (const TextLine &line : entry.lines) {
        if (!fits(line.box)) return false;
        for (const TextLine::Glyph &g : line.glyphs)
            if (!fits(g.start, g.length, line.text.size()) || !fits(g.box)) return false;
        for (const TextLine::Word &w : line.words)
            if (!fits(w.start, w.length, line.text.size()) || !fits(w.box) || w.confidence < 0 || w.confidence > 100)
                return false;
    }
    return true;
}

QByteArray fileStampOf(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return {};
    const qint64 fields[] = {qint64(info.st_dev), qint64(info.st_ino), qint64(info.st_size),
                             qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)};
    return QByteArray(reinterpret_cast<const char *>(fields), sizeof fields);
}

} // namespace

void LineMemory::setCapacity(int lines) {
    std::lock_guard lock(m_mutex);
    m_capacity = std::max(0, lines);
    trim();
}

bool LineMemory::enabled() const {
    std::lock_guard lock(m_mutex);
    return m_capacity > 0;
}

QByteArray LineMemory::keyOf(const QImage &picture, qreal scale, const QByteArray &identity) {
    QCryptographicHash hash(kDigest);
    hash.addData(identity);
    const qint64 shape[] = {picture.width(), picture.height(), qint64(picture.format()), qint64(picture.bytesPerLine()),
                            qRound64(scale * 1e6)};
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(shape), sizeof shape));
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(picture.constBits()), picture.sizeInBytes()));
    return hash.result();
}

std::optional<LineMemory::Lines> LineMemory::find(const QByteArray &key, QSize size) {
    std::lock_guard lock(m_mutex);
    const auto it = m_index.constFind(key);
    if (it == m_index.cend() || (*it)->size != size) return std::nullopt;
    m_order.splice(m_order.begin(), m_order, *it);
    return m_order.front().lines;
}

void LineMemory::keep(const QByteArray &key, QSize size, const Lines &lines) {
    std::lock_guard lock(m_mutex);
    Entry entry{key, size, lines};
    if (m_capacity <= 0 || !storable(entry)) return;
    putFront(std::move(entry));
    m_dirty = true;
    trim();
}

void LineMemory::putFront(Entry entry) {
    if (const auto it = m_index.constFind(entry.key); it != m_index.cend()) {
        m_bytes -= bytesOf(**it);
        m_order.erase(*it);
    }
    m_bytes += bytesOf(entry);
    m_order.push_front(std::move(entry));
    m_index.insert(m_order.front().key, m_order.begin());
}

void LineMemory::trim() {
    while (!m_order.empty() && (qsizetype(m_order.size()) > m_capacity || m_bytes > maxBytes)) {
        m_bytes -= bytesOf(m_order.back());
        m_index.remove(m_order.back().key);
        m_order.pop_back();
    }
}

// Behind what is remembered, as used before all of it.
void LineMemory::takeIn(std::vector<Entry> entries) {
    for (Entry &entry : entries) {
        if (m_index.contains(entry.key)) continue;
        m_bytes += bytesOf(entry);
        m_order.push_back(std::move(entry));
        m_index.insert(m_order.back().key, std::prev(m_order.end()));
    }
    trim();
}

std::vector<LineMemory::Entry> LineMemory::entries() const { return {m_order.begin(), m_order.end()}; }

void LineMemory::attach(const QString &path, const QByteArray &identity) {
    std::lock_guard lock(m_mutex);
    if (identity != m_identity) {
        m_order.clear();
        m_index.clear();
        m_bytes = 0;
    }
    m_path = path;
    m_identity = identity;
    m_dirty = false;
    if (path.isEmpty()) return;
    m_fileStamp = fileStampOf(path);
    if (std::optional<std::vector<Entry>> kept = decode(readFile(path), identity)) takeIn(std::move(*kept));
}

QByteArray LineMemory::identity() const {
    std::lock_guard lock(m_mutex);
    return m_identity;
}

bool LineMemory::save() {
    std::unique_lock lock(m_mutex);
    if (m_path.isEmpty() || !m_dirty) return true;
    // Another reader process (another display's) wrote meanwhile: what it read is kept too.
    if (fileStampOf(m_path) != m_fileStamp) {
        if (std::optional<std::vector<Entry>> theirs = decode(readFile(m_path), m_identity))
            takeIn(std::move(*theirs));
    }
    const QByteArray bytes = encode(m_identity, entries());
    if (!platform::writePrivateFileAtomically(m_path, bytes)) return false;
    m_fileStamp = fileStampOf(m_path);
    m_dirty = false;
    return true;
}

int LineMemory::size() const {
    std::lock_guard lock(m_mutex);
    return int(m_order.size());
}

qint64 LineMemory::bytes() const {
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

QByteArray LineMemory::encode(const QByteArray &identity, const std::vector<Entry> &entries) {
    qsizetype total = sizeof kMagic + 2 * kDigestSize + kNumber;
    for (const Entry &e : entries) total += bytesOf(e);
    Writer out(total);
    out.raw(kMagic, sizeof kMagic);
    out.raw(digestOf(identity).constData(), kDigestSize);
    out.number(quint32(entries.size()));
    for (const Entry &e : entries) {
        out.raw(e.key.constData(), kDigestSize);
        out.number(quint32(e.size.width()));
        out.number(quint32(e.size.height()));
        out.number(quint32(e.lines.size()));
        for (const TextLine &line : e.lines) {
            out.number(quint32(line.text.size()));
            for (const QChar c : line.text) {
                const quint16 le = qToLittleEndian(c.unicode());
                out.raw(reinterpret_cast<const char *>(&le), sizeof le);
            }
            out.rect(line.box);
            out.number(quint32(line.glyphs.size()));
            for (const TextLine::Glyph &g : line.glyphs) {
                out.number(quint32(g.start));
                out.number(quint32(g.length));
                out.rect(g.box);
            }
            out.number(quint32(line.words.size()));
            for (const TextLine::Word &w : line.words) {
                out.number(quint32(w.start));
                out.number(quint32(w.length));
                out.rect(w.box);
                out.number(quint32(w.confidence));
            }
        }
    }
    out.raw(digestOf(out.bytes()).constData(), kDigestSize);
    return out.bytes();
}

std::optional<std::vector<LineMemory::Entry>> LineMemory::decode(const QByteArray &bytes, const QByteArray &identity) {
    const qsizetype head = sizeof kMagic + kDigestSize + kNumber;
    if (bytes.size() < head + kDigestSize || bytes.size() > kMaxFileBytes) return std::nullopt;
    const qsizetype body = bytes.size() - kDigestSize;
    // Anything damaged or cut short fails here, before a byte of it is taken for a reading.
    if (digestOf(bytes.first(body)) != bytes.sliced(body)) return std::nullopt;
    if (std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    if (bytes.sliced(sizeof kMagic, kDigestSize) != digestOf(identity)) return std::nullopt;
    const QByteArrayView entriesPart = QByteArrayView(bytes).sliced(head - kNumber, body - (head - kNumber));
    Reader in(entriesPart.data(), entriesPart.size());
    const quint32 count = in.number();
    if (!in.room(count, kEntryHead)) return std::nullopt;
    std::vector<Entry> entries;
    entries.reserve(count);
    QSet<QByteArray> keys;
    for (quint32 i = 0; i < count; ++i) {
        Entry e;
        e.key = in.raw(kDigestSize);
        const quint32 width = in.number(kMaxSide), height = in.number(kMaxSide);
        e.size = QSize(int(width), int(height));
        const quint32 lines = in.number(kMaxLinesPerPicture);
        if (!in.ok() || width == 0 || height == 0 || keys.contains(e.key)) return std::nullopt;
        keys.insert(e.key);
        for (quint32 l = 0; l < lines; ++l) {
            std::optional<TextLine> line = readLine(in);
            if (!line) return std::nullopt;
            e.lines.append(std::move(*line));
        }
        entries.push_back(std::move(e));
    }
    if (!in.ok() || in.left() != 0) return std::nullopt;
    return entries;
}

QByteArray LineMemory::readFile(const QString &path) {
    const platform::RegularFile::Read read = platform::RegularFile::readPrivate(path, kMaxFileBytes);
    return read.status == platform::RegularFile::Status::ok ? read.bytes : QByteArray();
}

QByteArray LineMemory::programIdentity() {
    struct stat info {};
    if (::stat("/proc/self/exe", &info) != 0) return {};
    return QByteArrayLiteral("program ") + QByteArray::number(quint64(info.st_dev)) + ' ' +
           QByteArray::number(quint64(info.st_ino)) + ' ' + QByteArray::number(qint64(info.st_size)) + ' ' +
           QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}
