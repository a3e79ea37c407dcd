#include "history/HistoryIndexFile.h"

#include "platform/TextFolding.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

HistoryRecord HistoryRecord::of(QByteArray text, qint64 width, qint64 height, qint64 bytes) {
    HistoryRecord record{std::move(text), width, height, bytes, {}};
    // Kept for as long as the capture: not with the room a conversion to UTF-8 left (up to three
    // times the text), nor the room the folding grew into.
    record.text.squeeze();
    record.folded = platform::TextFolding::foldUtf8(record.text);
    record.folded.squeeze();
    return record;
}

namespace HistoryIndexFile {

namespace {

// Ten thousand captures make about 22 MB; a file far beyond any real index is not read into memory.
constexpr qint64 kMaxFileSize = qint64(512) << 20;
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

// A strict reader of the JSON grammar over the file's bytes, made for this one shape: it decodes the
// records and steps over every other value without building it.
class Reader {
public:
    explicit Reader(QByteArrayView json) : m_p(json.data()), m_end(json.data() + json.size()) {
        if (json.startsWith("\xEF\xBB\xBF")) m_p += 3;
    }

    Contents run() {
        Contents contents;
        space();
        if (m_p == m_end) return contents; // an empty file holds nothing to keep
        contents.keepAside = !readObject(contents.records) || (space(), m_p != m_end);
        return contents;
    }

private:
    void space() {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t')) ++m_p;
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

    // The top-level object, record by record.
    bool readObject(HistoryRecords &records) {
        if (!consume('{')) return false;
        if (consume('}')) return true;
        do {
            QByteArray name;
            if (!string(&name) || !consume(':')) return false;
            bool readable = false;
            HistoryRecord record;
            if (!recordValue(record, readable)) return false;
            // Decoded as it stands: QString::fromUtf8 would drop a leading U+FEFF, and the name with it
            // would no longer be the file's.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            const QString key = decoder.decode(name);
            bool validText = false;
            if (readable) record.folded = platform::TextFolding::foldUtf8(record.text, &validText);
            if (readable && validText && QByteArrayView(name).isValidUtf8()) {
                records.emplace(key, std::move(record));
            } else {
                records.remove(key); // a later, unreadable duplicate replaces an earlier one
            }
        } while (consume(','));
        return consume('}');
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
                bool ok = true;
                if (key == "text") {
                    field = text;
                    ok = m_p < m_end && *m_p == '"';
                    if (ok && !string(&record.text)) return false;
                    record.text.squeeze(); // kept for the life of the store: no slack
                } else if (key == "width" || key == "height" || key == "bytes") {
                    field = key == "width" ? width : key == "height" ? height : bytes;
                    qint64 &target = field == width ? record.width : field == height ? record.height : record.bytes;
                    ok = integer(target);
                } else {
                    ok = false; // another key: ignored
                }
                if (field && ok) {
                    seen |= field;
                    wrong &= ~field;
                } else if (field) {
                    wrong |= field;
                }
                if (!ok && !skipValue()) return false;
            } while (consume(','));
            if (!consume('}')) return false;
        }
        readable = seen == (text | width | height | bytes) && !wrong;
        return true;
    }

    // A JSON string at the cursor, decoded into `out` (UTF-8) when given.
    bool string(QByteArray *out) {
        space();
        if (m_p == m_end || *m_p != '"') return false;
        ++m_p;
        if (out) out->clear();
        for (;;) {
            const char *run = m_p;
            m_p = plainEnd(m_p, m_end);
            if (out && m_p > run) out->append(run, m_p - run);
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
                if (QChar::isLowSurrogate(low))
                    unit = QChar::surrogateToUcs4(char16_t(unit), char16_t(low));
                else
                    m_p = back;
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
        if (*q == '0')
            ++q;
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
            if (std::from_chars(start, stop, real).ec == std::errc() && std::isfinite(real) && std::trunc(real) == real &&
                std::abs(real) < 9.2e18) {
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
};

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
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return {};
    QFile file(path);
    if (!info.isFile() || info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) return {{}, true};
    const QByteArray bytes = file.read(info.size() + 1); // a file that grew meanwhile is cut, not refused
    if (bytes.size() > kMaxFileSize) return {{}, true};
    return parse(bytes);
}

QByteArray serialize(const HistoryRecords &records) {
    qsizetype size = 2;
    for (auto it = records.cbegin(); it != records.cend(); ++it) size += it.key().size() * 3 + it->text.size() + 96;
    QByteArray out;
    out.reserve(size);
    out.append('{');
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (out.size() > 1) out.append(',');
        appendEscaped(out, it.key().toUtf8());
        out.append(":{\"text\":");
        appendEscaped(out, it->text);
        out.append(",\"width\":").append(QByteArray::number(it->width));
        out.append(",\"height\":").append(QByteArray::number(it->height));
        out.append(",\"bytes\":").append(QByteArray::number(it->bytes));
        out.append('}');
    }
    out.append('}');
    return out;
}

} // namespace HistoryIndexFile
