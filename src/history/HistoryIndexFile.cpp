#include "history/HistoryIndexFile.h"

#include "history/Log.h"
#include "platform/RegularFile.h"
#include "platform/TextFolding.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

HistoryRecord HistoryRecord::of(QByteArray text, qint64 width, qint64 height, qint64 bytes) {
    if (text.size() > HistoryIndexFile::maxTextBytes) {
        // Beyond what the index reads back: cut at the last line that fits, else at a character.
        qsizetype cut = text.lastIndexOf('\n', HistoryIndexFile::maxTextBytes);
        if (cut <= 0) {
            cut = HistoryIndexFile::maxTextBytes;
            while (cut > 0 && (uchar(text.at(cut)) & 0xC0) == 0x80) --cut;
        }
        text.truncate(cut);
    }
    HistoryRecord record{std::move(text), width, height, bytes, {}, false};
    // Kept for as long as the capture: not with the room a conversion to UTF-8 left (up to three
    // times the text), nor the room the folding grew into.
    record.text.squeeze();
    record.folded = platform::TextFolding::foldUtf8(record.text);
    record.folded.squeeze();
    return record;
}

namespace HistoryIndexFile {

namespace {

// The file is read this much at a time.
constexpr qsizetype kPiece = qsizetype(1) << 20;
// Deeper nesting in a value nobody reads is treated as damage, not followed.
constexpr size_t kMaxDepth = 256;

// Where the plain part of a string's contents ends: at a quote, a backslash or a control character.
const char *plainEnd(const char *p, const char *end) {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), lastControl = _mm_set1_epi8(0x1F);
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v); // v <= 0x1F, unsigned
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)), control));
        if (hits) return p + __builtin_ctz(unsigned(hits));
    }
#endif
    while (p < end && *p != '"' && *p != '\\' && uchar(*p) >= 0x20) ++p;
    return p;
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A strict reader of the JSON grammar, made for this one shape: it decodes the records and steps over
// every other value without building it. Over a file, it holds one piece of it at a time, and a
// record as long as it takes to read it.
class Reader {
public:
    explicit Reader(QByteArrayView json) : m_p(json.data()), m_end(json.data() + json.size()) {}
    // Reads at most `limit` bytes of `file`.
    Reader(QIODevice &file, qint64 limit) : m_p(nullptr), m_end(nullptr), m_file(&file), m_left(limit) {}

    qint64 bytesRead() const { return m_read; }

    Contents run() {
        Contents contents;
        while (m_end - m_p < 3 && more()) {}
        if (QByteArrayView(m_p, m_end - m_p).startsWith("\xEF\xBB\xBF")) m_p += 3;
        if (!spaceAcross()) return contents; // an empty file holds nothing to keep
        contents.keepAside = !readObject(contents.records) || spaceAcross();
        return contents;
    }

private:
    void space() {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t')) ++m_p;
    }
    // Steps over white space, reading on as needed; false at the end of the input.
    bool spaceAcross() {
        for (space(); m_p == m_end; space()) {
            if (!more()) return false;
        }
        return true;
    }
    bool consume(char c) {
        space();
        if (m_p == m_end || *m_p != c) return false;
        ++m_p;
        return true;
    }
    bool peek(char c) {
        space();
        return m_p < m_end && *m_p == c;
    }

    // Appends the next piece of the file to what is left to read, dropping what was read: false when
    // there is no more. Moves the cursor's bytes.
    bool more() {
        if (!m_file || m_left <= 0) return false;
        const qsizetype kept = m_end - m_p;
        if (kept > 0 && m_p != m_buffer.constData()) std::memmove(m_buffer.data(), m_p, size_t(kept));
        const qsizetype piece = qsizetype(std::min<qint64>(kPiece, m_left));
        m_buffer.resize(kept + piece);
        const qint64 got = m_file->read(m_buffer.data() + kept, piece);
        m_buffer.resize(kept + std::max<qint64>(got, 0));
        m_p = m_buffer.constData();
        m_end = m_p + m_buffer.size();
        if (got <= 0) {
            m_left = 0;
            return false;
        }
        m_left -= got;
        m_read += got;
        return true;
    }

    // Where the member of the top-level object at the cursor ends: at the first ',', '}' or ']' outside
    // strings and brackets, or at the end of the input. Reads on until then; a member is checked
    // only once it is whole.
    const char *memberEnd() {
        qsizetype at = 0;
        qint64 depth = 0;
        bool inString = false;
        for (;;) {
            const char *p = m_p + at;
            while (p < m_end) {
                if (inString) {
                    p = plainEnd(p, m_end);
                    if (p == m_end) break;
                    if (*p == '"') {
                        inString = false;
                    } else if (*p == '\\') {
                        if (p + 1 == m_end) break; // its escaped byte is in the next piece
                        ++p;
                    }
                } else if (*p == '"') {
                    inString = true;
                } else if (*p == '{' || *p == '[') {
                    ++depth;
                } else if (*p == '}' || *p == ']') {
                    if (depth-- == 0) return p;
                } else if (*p == ',' && depth == 0) {
                    return p;
                }
                ++p;
            }
            at = p - m_p;
            if (!more()) return m_end;
        }
    }

    // The top-level object, record by record.
    bool readObject(HistoryRecords &records) {
        if (!consume('{') || !spaceAcross()) return false;
        if (consume('}')) return true;
        for (;;) {
            const char *end = memberEnd();
            if (!member(records, end) || m_p == m_end) return false;
            const char next = *m_p++;
            if (next == '}') return true;
            if (next != ',') return false;
        }
    }

    // One member, `"name": value`, ending at `end`.
    bool member(HistoryRecords &records, const char *end) {
        const char *const whole = m_end;
        m_end = end;
        const auto restore = qScopeGuard([this, whole] { m_end = whole; });
        QByteArray name;
        bool nameTooLong = false;
        if (!string(&name, &nameTooLong) || !consume(':')) return false;
        bool readable = false;
        HistoryRecord record;
        if (!recordValue(record, readable)) return false;
        space();
        if (m_p != m_end) return false;
        if (nameTooLong) return true; // the name of no file: nothing to replace either
        // Decoded as it stands: QString::fromUtf8 would drop a leading U+FEFF, and the name with it
        // would no longer be the file's.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString key = decoder.decode(name);
        bool validText = false;
        if (readable) {
            record.folded = platform::TextFolding::foldUtf8(record.text, &validText);
            record.folded.squeeze(); // kept for the life of the store: no slack
        }
        if (readable && validText && QByteArrayView(name).isValidUtf8()) {
            records.emplace(key, std::move(record));
        } else {
            records.remove(key); // a later, unreadable duplicate replaces an earlier one
        }
        return true;
    }

    // One record; `readable` tells whether it had all four keys with values of their types.
    bool recordValue(HistoryRecord &record, bool &readable) {
        if (!peek('{')) return skipValue();
        ++m_p;
        enum : unsigned { text = 1, width = 2, height = 4, bytes = 8 };
        unsigned seen = 0, wrong = 0;
        if (!consume('}')) {
            do {
                QByteArray key;
                if (!string(&key) || !consume(':')) return false;
                space();
                unsigned field = 0;
                bool ok = true, stepped = false;
                if (key == "text") {
                    field = text;
                    ok = m_p < m_end && *m_p == '"';
                    if (ok) {
                        bool tooLong = false;
                        if (!string(&record.text, &tooLong)) return false;
                        stepped = true;
                        ok = !tooLong;
                        record.text.squeeze(); // kept for the life of the store: no slack
                    }
                } else if (key == "width" || key == "height" || key == "bytes") {
                    field = key == "width" ? width : key == "height" ? height : bytes;
                    qint64 &target = field == width ? record.width : field == height ? record.height : record.bytes;
                    ok = integer(target);
                } else if (key == "timedOut" && literal("true")) {
                    record.timedOut = true; // optional, and only ever written true
                } else {
                    ok = false; // another key: ignored
                }
                if (field && ok) {
                    seen |= field;
                    wrong &= ~field;
                } else if (field) {
                    wrong |= field;
                }
                if (!ok && !stepped && !skipValue()) return false;
            } while (consume(','));
            if (!consume('}')) return false;
        }
        readable = seen == (text | width | height | bytes) && !wrong;
        return true;
    }

    // A JSON string at the cursor, decoded into `out` (UTF-8) when given. One longer than maxTextBytes
    // is stepped over, `out` left empty and `tooLong` set.
    bool string(QByteArray *out, bool *tooLong = nullptr) {
        space();
        if (m_p == m_end || *m_p != '"') return false;
        ++m_p;
        if (out) out->clear();
        for (;;) {
            const char *run = m_p;
            m_p = plainEnd(m_p, m_end);
            if (out && m_p > run) out->append(run, m_p - run);
            if (out && out->size() > maxTextBytes) {
                *out = QByteArray();
                out = nullptr;
                if (tooLong) *tooLong = true;
            }
            if (m_p == m_end || uchar(*m_p) < 0x20) return false;
            if (*m_p++ == '"') return true;
            if (!escape(out)) return false;
        }
    }

    bool escape(QByteArray *out) {
        if (m_p == m_end) return false;
        const char c = *m_p++;
        char plain = 0;
        switch (c) {
        case '"': plain = '"'; break;
        case '\\': plain = '\\'; break;
        case '/': plain = '/'; break;
        case 'b': plain = '\b'; break;
        case 'f': plain = '\f'; break;
        case 'n': plain = '\n'; break;
        case 'r': plain = '\r'; break;
        case 't': plain = '\t'; break;
        case 'u': {
            char32_t unit = 0;
            if (!hex4(unit)) return false;
            if (QChar::isHighSurrogate(unit) && m_end - m_p >= 6 && m_p[0] == '\\' && m_p[1] == 'u') {
                const char *back = m_p;
                m_p += 2;
                char32_t low = 0;
                if (!hex4(low)) return false;
                if (QChar::isLowSurrogate(low)) unit = QChar::surrogateToUcs4(char16_t(unit), char16_t(low));
                else m_p = back;
            }
            const char32_t cp = QChar::isSurrogate(unit) ? char32_t(0xFFFD) : unit;
            if (out) out->append(QString::fromUcs4(&cp, 1).toUtf8());
            return true;
        }
        default: return false;
        }
        if (out) out->append(plain);
        return true;
    }

    bool hex4(char32_t &value) {
        if (m_end - m_p < 4) return false;
        for (int i = 0; i < 4; ++i) {
            if (!isHex(m_p[i])) return false;
        }
        unsigned parsed = 0;
        std::from_chars(m_p, m_p + 4, parsed, 16);
        value = char32_t(parsed);
        m_p += 4;
        return true;
    }

    // A JSON number token at the cursor; false (cursor unmoved) when there is none.
    bool numberToken(const char *&start, const char *&stop, bool &plainInteger) {
        space();
        const char *q = m_p;
        if (q < m_end && *q == '-') ++q;
        if (q == m_end || !(*q >= '0' && *q <= '9')) return false;
        if (*q == '0') ++q;
        else
            while (q < m_end && *q >= '0' && *q <= '9') ++q;
        plainInteger = true;
        if (q < m_end && *q == '.') {
            plainInteger = false;
            if (++q == m_end || !(*q >= '0' && *q <= '9')) return false;
            while (q < m_end && *q >= '0' && *q <= '9') ++q;
        }
        if (q < m_end && (*q == 'e' || *q == 'E')) {
            plainInteger = false;
            ++q;
            if (q < m_end && (*q == '+' || *q == '-')) ++q;
            if (q == m_end || !(*q >= '0' && *q <= '9')) return false;
            while (q < m_end && *q >= '0' && *q <= '9') ++q;
        }
        start = m_p;
        stop = q;
        m_p = q;
        return true;
    }

    // A number with an integral value that fits 64 bits ("2880", "2880.0", "2.88e3").
    bool integer(qint64 &value) {
        const char *start = nullptr, *stop = nullptr;
        bool plain = false;
        const char *before = m_p;
        if (!numberToken(start, stop, plain)) return false;
        if (plain && std::from_chars(start, stop, value).ec == std::errc()) return true;
        if (!plain) {
            double real = 0;
            if (std::from_chars(start, stop, real).ec == std::errc() && std::isfinite(real) &&
                std::trunc(real) == real && std::abs(real) < 9.2e18) {
                value = qint64(real);
                return true;
            }
        }
        m_p = before; // the caller steps over it as an unreadable value
        return false;
    }

    bool literal(const char *word) {
        const size_t n = std::strlen(word);
        if (size_t(m_end - m_p) < n || std::memcmp(m_p, word, n) != 0) return false;
        m_p += n;
        return true;
    }

    // Steps over any one JSON value, nested or not, without recursion.
    bool skipValue() {
        std::vector<char> open;
        for (;;) {
            space();
            if (m_p == m_end) return false;
            const char c = *m_p;
            const char *start = nullptr, *stop = nullptr;
            bool plain = false;
            if (c == '{' || c == '[') {
                ++m_p;
                if (consume(c == '{' ? '}' : ']')) {
                    // empty: a complete value
                } else {
                    if (open.size() >= kMaxDepth) return false;
                    open.push_back(c);
                    if (c == '{' && (!string(nullptr) || !consume(':'))) return false;
                    continue;
                }
            } else if (c == '"') {
                if (!string(nullptr)) return false;
            } else if (!numberToken(start, stop, plain) && !literal("true") && !literal("false") && !literal("null")) {
                return false;
            }
            // A value ended: close what it ends, or go on to the next member.
            for (;;) {
                if (open.empty()) return true;
                if (consume(',')) {
                    if (open.back() == '{' && (!string(nullptr) || !consume(':'))) return false;
                    break;
                }
                if (!consume(open.back() == '{' ? '}' : ']')) return false;
                open.pop_back();
            }
        }
    }

    const char *m_p;
    const char *m_end;
    QIODevice *m_file = nullptr;
    qint64 m_left = 0; // bytes the file may still give
    qint64 m_read = 0;
    QByteArray m_buffer; // what is left to read of the pieces read so far
};

// Written only into the records it is true of.
constexpr const char *timedOutField = ",\"timedOut\":true";

// What appendEscaped adds for `text`.
qint64 escapedSize(QByteArrayView text) {
    qint64 size = 2 + text.size();
    for (const char c : text) {
        if (c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\f') size += 1;
        else if (uchar(c) < 0x20) size += 5;
    }
    return size;
}

qint64 serializedSize(const HistoryRecords &records) {
    qint64 size = 2 + std::max<qint64>(records.size() - 1, 0); // braces and commas
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        size += escapedSize(it.key().toUtf8()) + escapedSize(it->text);
        size += qstrlen(":{\"text\":,\"width\":,\"height\":,\"bytes\":}") + QByteArray::number(it->width).size() +
                QByteArray::number(it->height).size() + QByteArray::number(it->bytes).size();
        if (it->timedOut) size += qstrlen(timedOutField);
    }
    return size;
}

void appendEscaped(QByteArray &out, QByteArrayView text) {
    out.append('"');
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *run = p;
        while (p < end && *p != '"' && *p != '\\' && uchar(*p) >= 0x20) ++p;
        out.append(run, p - run);
        if (p == end) break;
        const char c = *p++;
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default: {
            static const char digits[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', '0', '0', digits[(uchar(c) >> 4) & 0xF], digits[uchar(c) & 0xF]};
            out.append(escaped, sizeof escaped);
        }
        }
    }
    out.append('"');
}

} // namespace

Contents parse(QByteArrayView json) { return Reader(json).run(); }

Contents read(const QString &path) {
    platform::RegularFile::Status status = platform::RegularFile::Status::failed;
    QString error;
    const int fd = platform::RegularFile::open(path, &status, &error);
    if (status == platform::RegularFile::Status::missing && !QFileInfo(path).isSymLink()) return {};
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        qCWarning(lcHistory, "the history index %s cannot be read (%s); it is set aside", qPrintable(path),
                  qPrintable(error));
        return {{}, true};
    }
    const auto tooLarge = [&path] {
        qCWarning(lcHistory,
                  "the history index %s is larger than %lld MB, more than any index grows to; it is "
                  "set aside unread and the captures' text is read again",
                  qPrintable(path), maxFileBytes >> 20);
        return Contents{{}, true};
    };
    if (file.size() > maxFileBytes) return tooLarge();
    Reader reader(file, maxFileBytes + 1); // a file that grows past the cap meanwhile is noticed
    Contents contents = reader.run();
    if (reader.bytesRead() > maxFileBytes) return tooLarge();
    return contents;
}

QByteArray serialize(const HistoryRecords &records) { return *serialize(records, std::numeric_limits<qint64>::max()); }

std::optional<QByteArray> serialize(const HistoryRecords &records, qint64 maxBytes) {
    // Built in one block of its exact size: growing it as it fills would hold up to twice the file.
    const qint64 size = serializedSize(records);
    if (size > maxBytes) return std::nullopt;
    QByteArray out;
    out.reserve(qsizetype(size));
    out.append('{');
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (out.size() > 1) out.append(',');
        appendEscaped(out, it.key().toUtf8());
        out.append(":{\"text\":");
        appendEscaped(out, it->text);
        out.append(",\"width\":").append(QByteArray::number(it->width));
        out.append(",\"height\":").append(QByteArray::number(it->height));
        out.append(",\"bytes\":").append(QByteArray::number(it->bytes));
        if (it->timedOut) out.append(timedOutField);
        out.append('}');
    }
    out.append('}');
    Q_ASSERT(out.size() == size);
    return out;
}

} // namespace HistoryIndexFile
