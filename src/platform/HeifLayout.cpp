#include "platform/HeifLayout.h"

#include "platform/ImageChecks.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>

#include <algorithm>
#include <optional>

namespace platform::HeifLayout {

namespace {

// The boxes describing the items are small; a real file's 'meta' holds a few kilobytes.
constexpr qint64 kMaxMetaBytes = 1 << 20;
constexpr int kMaxTopLevelBoxes = 1024;
// Grids of overlays of grids: real files nest one level.
constexpr int kMaxDepth = 4;
// A still picture has a handful of NAL units per tile.
constexpr int kMaxNalUnits = 4096;
constexpr qint64 kMaxDescriptionBytes = 4096; // grid and overlay descriptions, parameter sets

struct Failure {
    QString reason;
};

// Big-endian fields of a byte range; reading past its end throws.
class Fields {
public:
    explicit Fields(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    quint64 read(int size) {
        if (size < 0 || size > 8 || m_pos + size > m_bytes.size()) throw Failure{QStringLiteral("truncated box")};
        quint64 value = 0;
        for (int i = 0; i < size; ++i) value = (value << 8) | quint8(m_bytes[m_pos++]);
        return value;
    }
    quint32 u8() { return quint32(read(1)); }
    quint32 u16() { return quint32(read(2)); }
    quint32 u32() { return quint32(read(4)); }
    QByteArray take(qsizetype size) {
        if (size < 0 || m_pos + size > m_bytes.size()) throw Failure{QStringLiteral("truncated box")};
        const QByteArray part = m_bytes.mid(m_pos, size);
        m_pos += size;
        return part;
    }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

struct Box {
    QByteArray type;
    QByteArray payload;
};

// The boxes that follow each other in `fields` until its end.
QList<Box> childBoxes(Fields &fields) {
    QList<Box> boxes;
    while (fields.remaining() >= 8) {
        qint64 size = fields.u32();
        Box box{fields.take(4), {}};
        qint64 header = 8;
        if (size == 1) {
            size = qint64(fields.read(8));
            header = 16;
        } else if (size == 0) {
            size = fields.remaining() + header;
        }
        if (size < header || size - header > fields.remaining()) throw Failure{QStringLiteral("broken box size")};
        box.payload = fields.take(qsizetype(size - header));
        boxes.append(box);
    }
    return boxes;
}

struct Extent {
    qint64 offset = 0;
    qint64 length = 0;
};

struct Item {
    QByteArray type;
    int construction = 0; // 0: file offsets, 1: inside 'idat'
    QList<Extent> extents;
    QList<quint32> tiles;  // 'dimg' references, in order
    QList<int> properties; // indices into 'ipco', 1-based
};

struct Layout {
    quint32 primary = 0;
    QHash<quint32, Item> items;
    QHash<quint32, QList<quint32>> auxiliaries; // picture → items attached to it by 'auxl'
    QList<Box> properties;
    QByteArray idat;
};

void readInfo(Layout &layout, Fields fields) {
    const int version = int(fields.u8());
    fields.read(3);
    fields.read(version == 0 ? 2 : 4); // entry count: the boxes themselves are counted below
    for (const Box &entry : childBoxes(fields)) {
        if (entry.type != "infe") continue;
        Fields infe(entry.payload);
        const int entryVersion = int(infe.u8());
        infe.read(3);
        if (entryVersion < 2) continue; // old entries carry no item type: unusable as pictures
        const quint32 id = entryVersion == 2 ? infe.u16() : infe.u32();
        if (infe.u16() != 0) continue; // protected items are never decoded
        layout.items[id].type = infe.take(4);
    }
}

void readLocations(Layout &layout, Fields fields) {
    const int version = int(fields.u8());
    fields.read(3);
    const int sizes = int(fields.u8());
    const int offsetSize = sizes >> 4, lengthSize = sizes & 15;
    const int more = int(fields.u8());
    const int baseOffsetSize = more >> 4, indexSize = (version == 1 || version == 2) ? (more & 15) : 0;
    const quint32 count = version < 2 ? fields.u16() : fields.u32();
    for (quint32 i = 0; i < count; ++i) {
        const quint32 id = version < 2 ? fields.u16() : fields.u32();
        int construction = 0;
        if (version == 1 || version == 2) construction = int(fields.u16() & 15);
        if (fields.u16() != 0) throw Failure{QStringLiteral("data in another file")};
        const qint64 base = qint64(fields.read(baseOffsetSize));
        const quint32 extentCount = fields.u16();
        QList<Extent> extents;
        for (quint32 e = 0; e < extentCount; ++e) {
            fields.read(indexSize);
            const quint64 offset = fields.read(offsetSize), length = fields.read(lengthSize);
            if (offset > quint64(1) << 50 || length > quint64(1) << 50) throw Failure{QStringLiteral("broken extent")};
            extents.append({base + qint64(offset), qint64(length)});
        }
        Item &item = layout.items[id];
        item.construction = construction;
        item.extents = extents;
    }
}

void readReferences(Layout &layout, Fields fields) {
    const int version = int(fields.u8());
    fields.read(3);
    for (const Box &reference : childBoxes(fields)) {
        Fields refs(reference.payload);
        const quint32 from = version == 0 ? refs.u16() : refs.u32();
        const quint32 count = refs.u16();
        for (quint32 i = 0; i < count; ++i) {
            const quint32 to = version == 0 ? refs.u16() : refs.u32();
            if (reference.type == "dimg") layout.items[from].tiles.append(to);
            else if (reference.type == "auxl") layout.auxiliaries[to].append(from);
        }
    }
}

void readProperties(Layout &layout, Fields fields) {
    for (const Box &box : childBoxes(fields)) {
        Fields inner(box.payload);
        if (box.type == "ipco") {
            layout.properties = childBoxes(inner);
        } else if (box.type == "ipma") {
            const int version = int(inner.u8());
            const bool wide = inner.read(3) & 1;
            const quint32 entries = inner.u32();
            for (quint32 i = 0; i < entries; ++i) {
                const quint32 id = version < 1 ? inner.u16() : inner.u32();
                const quint32 associations = inner.u8();
                for (quint32 a = 0; a < associations; ++a) {
                    const quint32 value = wide ? inner.u16() : inner.u8();
                    layout.items[id].properties.append(int(value & (wide ? 0x7fff : 0x7f)));
                }
            }
        }
    }
}

// The 'meta' box: the top-level boxes are walked through their headers only.
QByteArray metaPayload(qint64 fileSize, const ReadAt &read) {
    qint64 pos = 0;
    for (int n = 0; n < kMaxTopLevelBoxes && pos + 8 <= fileSize; ++n) {
        char header[16];
        if (!read(pos, 8, header)) break;
        Fields fields(QByteArray(header, 8));
        qint64 size = fields.u32();
        const QByteArray type = fields.take(4);
        qint64 headerSize = 8;
        if (size == 1) {
            if (pos + 16 > fileSize || !read(pos + 8, 8, header + 8)) break;
            Fields large(QByteArray(header + 8, 8));
            size = qint64(large.read(8) & ((quint64(1) << 62) - 1));
            headerSize = 16;
        } else if (size == 0) {
            size = fileSize - pos;
        }
        if (size < headerSize || size > fileSize - pos) break;
        if (type == "meta") {
            if (size - headerSize > kMaxMetaBytes) throw Failure{QStringLiteral("metadata too large")};
            QByteArray payload(qsizetype(size - headerSize), Qt::Uninitialized);
            if (!read(pos + headerSize, payload.size(), payload.data())) break;
            return payload;
        }
        pos += size;
    }
    throw Failure{QStringLiteral("no item metadata")};
}

Layout readLayout(qint64 fileSize, const ReadAt &read) {
    Fields meta(metaPayload(fileSize, read));
    meta.read(4); // version and flags
    Layout layout;
    for (const Box &box : childBoxes(meta)) {
        Fields fields(box.payload);
        if (box.type == "pitm") {
            const int version = int(fields.u8());
            fields.read(3);
            layout.primary = version == 0 ? fields.u16() : fields.u32();
        } else if (box.type == "iinf") {
            readInfo(layout, fields);
        } else if (box.type == "iloc") {
            readLocations(layout, fields);
        } else if (box.type == "iref") {
            readReferences(layout, fields);
        } else if (box.type == "iprp") {
            readProperties(layout, fields);
        } else if (box.type == "idat") {
            layout.idat = box.payload;
        }
    }
    return layout;
}

// Reads bits of a NAL unit's payload, emulation-prevention bytes removed.
class NalBitReader {
public:
    explicit NalBitReader(const QByteArray &nal) {
        int zeros = 0;
        for (char c : nal) {
            if (zeros >= 2 && c == 3) {
                zeros = 0;
                continue;
            }
            m_bytes.append(c);
            zeros = c == 0 ? zeros + 1 : 0;
        }
    }
    quint32 u(int count) {
        quint32 value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_pos >= qint64(m_bytes.size()) * 8) throw Failure{QStringLiteral("truncated parameter set")};
            value = (value << 1) | ((quint8(m_bytes[m_pos >> 3]) >> (7 - (m_pos & 7))) & 1);
            ++m_pos;
        }
        return value;
    }
    quint32 ue() {
        int zeros = 0;
        while (u(1) == 0)
            if (++zeros > 31) throw Failure{QStringLiteral("broken parameter set")};
        return quint32((quint64(1) << zeros) - 1 + u(zeros));
    }

private:
    QByteArray m_bytes;
    qint64 m_pos = 0;
};

// The picture size a sequence parameter set (NAL unit type 33, header included) gives.
QSize parameterSetSize(const QByteArray &nal) {
    NalBitReader bits(nal.mid(2));
    bits.u(4); // video parameter set id
    const int subLayers = int(bits.u(3));
    bits.u(1);
    bits.u(88); // general profile
    bits.u(8);  // general level
    QList<bool> profilePresent, levelPresent;
    for (int i = 0; i < subLayers; ++i) {
        profilePresent.append(bits.u(1));
        levelPresent.append(bits.u(1));
    }
    if (subLayers > 0)
        for (int i = subLayers; i < 8; ++i) bits.u(2);
    for (int i = 0; i < subLayers; ++i) {
        if (profilePresent[i]) bits.u(88);
        if (levelPresent[i]) bits.u(8);
    }
    bits.ue();                     // parameter set id
    if (bits.ue() == 3) bits.u(1); // separate colour planes
    const quint32 width = bits.ue(), height = bits.ue();
    if (width > quint32(maxImageSide) || height > quint32(maxImageSide)) return QSize(maxImageSide + 1, 1);
    return QSize(int(width), int(height));
}

class Checker {
public:
    Checker(qint64 fileSize, ReadAt read) : m_fileSize(fileSize), m_read(std::move(read)) {}

    void check(quint32 id) {
        m_layout = readLayout(m_fileSize, m_read);
        picture(id == 0 ? m_layout.primary : id, 0);
    }

private:
    const Item &item(quint32 id) const {
        const auto it = m_layout.items.constFind(id);
        if (it == m_layout.items.cend() || it->type.isEmpty()) throw Failure{QStringLiteral("missing item %1").arg(id)};
        return *it;
    }

    static void within(QSize size, const char *what) {
        if (!fitsImageLimits(size))
            throw Failure{
                QStringLiteral("%1 of %2×%3 pixels").arg(QLatin1String(what)).arg(size.width()).arg(size.height())};
    }

    // The largest picture decoding `id` makes, after checking what it is made of.
    QSize picture(quint32 id, int depth) {
        if (depth > kMaxDepth) throw Failure{QStringLiteral("pictures nested too deeply")};
        if (const auto known = m_checked.constFind(id); known != m_checked.cend()) return *known;
        const Item &it = item(id);
        QSize size;
        if (it.type == "hvc1") size = coded(it);
        else if (it.type == "grid") size = grid(it, depth);
        else if (it.type == "iovl") size = overlay(it, depth);
        else if (it.type == "iden" && it.tiles.size() == 1) size = picture(it.tiles.first(), depth + 1);
        else throw Failure{QStringLiteral("unsupported picture coding %1").arg(QString::fromLatin1(it.type))};
        for (quint32 auxiliary : m_layout.auxiliaries.value(id)) picture(auxiliary, depth + 1);
        m_checked.insert(id, size);
        return size;
    }

    QSize coded(const Item &it) {
        QSize size;
        bool parameterSets = false;
        auto widen = [&size](QSize found) { size = size.expandedTo(found); };
        int lengthSize = 0;
        for (int index : it.properties) {
            if (index < 1 || index > m_layout.properties.size()) continue;
            const Box &property = m_layout.properties[index - 1];
            Fields fields(property.payload);
            if (property.type == "ispe") {
                fields.read(4);
                const quint32 w = fields.u32(), h = fields.u32();
                widen(QSize(int(std::min<quint32>(w, maxImageSide + 1)), int(std::min<quint32>(h, maxImageSide + 1))));
            } else if (property.type == "hvcC") {
                fields.take(21);
                lengthSize = int(fields.u8() & 3) + 1;
                const quint32 arrays = fields.u8();
                for (quint32 a = 0; a < arrays; ++a) {
                    const int type = int(fields.u8() & 0x3f);
                    const quint32 count = fields.u16();
                    for (quint32 n = 0; n < count; ++n) {
                        const QByteArray nal = fields.take(fields.u16());
                        if (type != 33) continue;
                        widen(parameterSetSize(nal));
                        parameterSets = true;
                    }
                }
            }
        }
        if (lengthSize == 0 || lengthSize == 3) throw Failure{QStringLiteral("no HEVC configuration")};
        scanNalUnits(it, lengthSize, [&](const QByteArray &nal) {
            widen(parameterSetSize(nal));
            parameterSets = true;
        });
        if (!parameterSets) throw Failure{QStringLiteral("no parameter sets")};
        within(size, "a coded picture");
        return size;
    }

    QSize grid(const Item &it, int depth) {
        Fields fields(data(it, 12));
        fields.u8(); // version
        const int fieldSize = (fields.u8() & 1) ? 4 : 2;
        const int rows = int(fields.u8()) + 1;
        const int columns = int(fields.u8()) + 1;
        const quint64 width = fields.read(fieldSize);
        const QSize canvas = clampedSize(width, fields.read(fieldSize));
        within(canvas, "a grid");
        if (it.tiles.size() != rows * columns) throw Failure{QStringLiteral("grid tiles missing")};
        qint64 tilePixels = 0;
        for (quint32 tile : it.tiles) {
            const QSize size = picture(tile, depth + 1);
            tilePixels += qint64(size.width()) * size.height();
            // Tiles are decoded one by one; together they cost time as much as memory.
            if (tilePixels > 2 * maxImagePixels) throw Failure{QStringLiteral("grid tiles too large")};
        }
        return canvas;
    }

    QSize overlay(const Item &it, int depth) {
        Fields fields(data(it, 32));
        fields.u8(); // version
        const int fieldSize = (fields.u8() & 1) ? 4 : 2;
        fields.read(8); // fill colour
        const quint64 width = fields.read(fieldSize);
        const QSize canvas = clampedSize(width, fields.read(fieldSize));
        within(canvas, "an overlay");
        if (it.tiles.isEmpty()) throw Failure{QStringLiteral("empty overlay")};
        for (quint32 layer : it.tiles) picture(layer, depth + 1);
        return canvas;
    }

    static QSize clampedSize(quint64 w, quint64 h) {
        return QSize(int(std::min<quint64>(w, maxImageSide + 1)), int(std::min<quint64>(h, maxImageSide + 1)));
    }

    // Reads `size` bytes at `pos` of an item's data, its extents laid end to end.
    bool readData(const Item &it, qint64 pos, qint64 size, char *out) const {
        for (const Extent &extent : it.extents) {
            const qint64 length = extentLength(it, extent);
            if (pos >= length) {
                pos -= length;
                continue;
            }
            const qint64 part = std::min(size, length - pos);
            if (it.construction == 1) std::copy_n(m_layout.idat.constData() + extent.offset + pos, part, out);
            else if (!m_read(extent.offset + pos, part, out)) return false;
            out += part;
            size -= part;
            pos = 0;
            if (size == 0) return true;
        }
        return size == 0;
    }

    // An extent's length; 0 stands for the rest of the file or of 'idat'. Extents outside them fail.
    qint64 extentLength(const Item &it, const Extent &extent) const {
        const qint64 whole = it.construction == 1 ? m_layout.idat.size() : m_fileSize;
        if (it.construction != 0 && it.construction != 1) throw Failure{QStringLiteral("unsupported item data")};
        if (extent.offset > whole || extent.length > whole - extent.offset)
            throw Failure{QStringLiteral("item data outside the file")};
        return extent.length == 0 ? whole - extent.offset : extent.length;
    }

    qint64 dataSize(const Item &it) const {
        qint64 total = 0;
        for (const Extent &extent : it.extents) total += extentLength(it, extent);
        return total;
    }

    QByteArray data(const Item &it, qint64 atMost) const {
        QByteArray bytes(qsizetype(std::min(atMost, dataSize(it))), Qt::Uninitialized);
        if (!readData(it, 0, bytes.size(), bytes.data())) throw Failure{QStringLiteral("item data unreadable")};
        return bytes;
    }

    // Calls `parameterSet` with every sequence parameter set in the item's own data.
    template <typename F>
    void scanNalUnits(const Item &it, int lengthSize, F parameterSet) const {
        const qint64 total = dataSize(it);
        qint64 pos = 0;
        for (int count = 0; pos < total; ++count) {
            if (count == kMaxNalUnits) throw Failure{QStringLiteral("too many NAL units")};
            char prefix[6];
            if (pos + lengthSize + 2 > total || !readData(it, pos, lengthSize + 2, prefix))
                throw Failure{QStringLiteral("truncated NAL unit")};
            qint64 length = 0;
            for (int i = 0; i < lengthSize; ++i) length = (length << 8) | quint8(prefix[i]);
            if (length < 2 || length > total - pos - lengthSize) throw Failure{QStringLiteral("broken NAL unit")};
            if (((quint8(prefix[lengthSize]) >> 1) & 0x3f) == 33) {
                QByteArray nal(qsizetype(std::min(length, kMaxDescriptionBytes)), Qt::Uninitialized);
                if (!readData(it, pos + lengthSize, nal.size(), nal.data()))
                    throw Failure{QStringLiteral("truncated NAL unit")};
                parameterSet(nal);
            }
            pos += lengthSize + length;
        }
    }

    qint64 m_fileSize;
    ReadAt m_read;
    Layout m_layout;
    QHash<quint32, QSize> m_checked; // pictures already found within the limits
};

} // namespace

bool decodeFitsLimits(qint64 fileSize, const ReadAt &read, quint32 item, QString *error) {
    try {
        Checker(fileSize, read).check(item);
        return true;
    } catch (const Failure &failure) {
        if (error) *error = failure.reason;
        return false;
    }
}

} // namespace platform::HeifLayout
