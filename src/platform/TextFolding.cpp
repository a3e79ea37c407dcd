#include "platform/TextFolding.h"

#include "platform/Memory.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform::TextFolding {

namespace {

// One character's folded form: at most a few characters (a ligature or "ß" expands, marks vanish).
struct Folded {
    std::array<char32_t, 8> cps{};
    quint8 size = 0;
};

void dropNonSpacingMarks(icu::UnicodeString &s) {
    icu::UnicodeString kept;
    for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
        const UChar32 c = s.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) kept.append(c);
    }
    s = kept;
}

Folded foldWithIcu(char32_t cp) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfd = icu::Normalizer2::getNFDInstance(status);
    Folded out;
    if (U_FAILURE(status)) {
        out.cps[0] = cp;
        out.size = 1;
        return out;
    }
    icu::UnicodeString s = nfd->normalize(icu::UnicodeString(UChar32(cp)), status);
    dropNonSpacingMarks(s);
    s.foldCase(U_FOLD_CASE_DEFAULT);
    // Folding can bring back a decomposable letter or a mark; a second pass makes folding idempotent.
    s = nfd->normalize(s, status);
    dropNonSpacingMarks(s);
    for (int32_t i = 0; i < s.length() && out.size < out.cps.size(); i = s.moveIndex32(i, 1))
        out.cps[out.size++] = char32_t(s.char32At(i));
    return out;
}

// Latin, Greek, Cyrillic and their neighbours are folded from a table made once; rarer characters
// ask ICU each time.
constexpr char32_t kTableSize = 0x800;

const std::array<Folded, kTableSize> &table() {
    static const std::array<Folded, kTableSize> folded = [] {
        std::array<Folded, kTableSize> t;
        for (char32_t cp = 0; cp < kTableSize; ++cp) t[cp] = foldWithIcu(cp);
        // Building the table reads megabytes of ICU's data that a resident process then rarely needs
        // again: its pages leave the process, and are read again (from the page cache) for a rare
        // character, which the text read from each capture usually has: they go again with each trim.
        QSet<QString> icu;
        for (const QString &file : Memory::mappedFiles())
            if (file.contains(QLatin1String("/libicu"))) icu.insert(file);
        Memory::releaseFilePages(icu, Memory::Release::fromProcess);
        Memory::releaseWithEveryTrim(icu);
        return t;
    }();
    return folded;
}

Folded foldCodePoint(char32_t cp) { return cp < kTableSize ? table()[cp] : foldWithIcu(cp); }

constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

void appendUtf16(QString &out, char32_t cp) {
    if (QChar::requiresSurrogates(cp)) {
        out.append(QChar(QChar::highSurrogate(cp)));
        out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
        out.append(QChar(char16_t(cp)));
    }
}

// Calls `visit(start, length, folded)` for each character of `text`: ASCII letters directly, the rest
// through foldCodePoint; a lone surrogate stands for itself.
template <typename Visit>
void forEachCharacter(QStringView text, Visit &&visit) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            Folded f;
            f.cps[0] = char32_t(asciiLower(char(u)));
            f.size = 1;
            visit(i, 1, f);
            ++i;
            continue;
        }
        qsizetype length = 1;
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            cp = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            length = 2;
        }
        if (QChar::isSurrogate(cp)) {
            Folded f;
            f.cps[0] = cp;
            f.size = 1;
            visit(i, length, f);
        } else {
            visit(i, length, foldCodePoint(cp));
        }
        i += length;
    }
}

// The code point of a well-formed UTF-8 sequence of 2 to 4 bytes at `p`, and its length; 0 when the
// bytes are not one (overlong, surrogate, beyond U+10FFFF, cut short).
int decodeUtf8(const char *p, const char *end, char32_t &cp) {
    const uchar b0 = uchar(p[0]);
    int n = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (n == 0 || end - p < n) return 0;
    cp = b0 & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
        const uchar b = uchar(p[k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// The folded UTF-8 text, written through a pointer into a buffer that grows by doubling: no call per
// character.
class Utf8Writer {
public:
    explicit Utf8Writer(qsizetype capacity) : m_out(capacity, Qt::Uninitialized) {}

    // Room for `n` more bytes, at the end of what is written.
    char *room(qsizetype n) {
        if (m_size + n > m_out.size()) m_out.resize(std::max(m_out.size() * 2, m_size + n));
        return m_out.data() + m_size;
    }
    void wrote(qsizetype n) { m_size += n; }
    void put(char32_t cp) {
        char *d = room(4);
        if (cp < 0x80) {
            d[0] = char(cp);
            m_size += 1;
        } else if (cp < 0x800) {
            d[0] = char(0xC0 | (cp >> 6));
            d[1] = char(0x80 | (cp & 0x3F));
            m_size += 2;
        } else if (cp < 0x10000) {
            d[0] = char(0xE0 | (cp >> 12));
            d[1] = char(0x80 | ((cp >> 6) & 0x3F));
            d[2] = char(0x80 | (cp & 0x3F));
            m_size += 3;
        } else {
            d[0] = char(0xF0 | (cp >> 18));
            d[1] = char(0x80 | ((cp >> 12) & 0x3F));
            d[2] = char(0x80 | ((cp >> 6) & 0x3F));
            d[3] = char(0x80 | (cp & 0x3F));
            m_size += 4;
        }
    }
    qsizetype size() const { return m_size; }
    void truncate(qsizetype n) { m_size = n; }
    QByteArray take() {
        m_out.truncate(m_size);
        return std::move(m_out);
    }

private:
    QByteArray m_out;
    qsizetype m_size = 0;
};

// Where the run of ASCII bytes starting at `p` ends.
const char *asciiEnd(const char *p, const char *end) {
#ifdef __SSE2__
    for (; end - p >= 16; p += 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        if (high) return p + __builtin_ctz(unsigned(high));
    }
#endif
    while (p < end && uchar(*p) < 0x80) ++p;
    return p;
}

// Copies `n` ASCII bytes lowered.
void copyLowered(const char *p, qsizetype n, char *d) {
    qsizetype k = 0;
#ifdef __SSE2__
    const __m128i beforeA = _mm_set1_epi8('A' - 1), afterZ = _mm_set1_epi8('Z' + 1), caseBit = _mm_set1_epi8(0x20);
    for (; k + 16 <= n; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k));
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, beforeA), _mm_cmplt_epi8(v, afterZ));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + k), _mm_or_si128(v, _mm_and_si128(upper, caseBit)));
    }
#endif
    for (; k < n; ++k) d[k] = asciiLower(p[k]);
}

// Folds a run of UTF-8 bytes of 0x80 and above; false (with nothing written) when the run is not
// well-formed.
bool putFoldedRun(Utf8Writer &out, const char *p, const char *end) {
    const qsizetype at = out.size();
    while (p < end) {
        char32_t cp = 0;
        const int n = decodeUtf8(p, end, cp);
        if (n == 0) {
            out.truncate(at);
            return false;
        }
        p += n;
        const Folded f = foldCodePoint(cp);
        for (quint8 k = 0; k < f.size; ++k) out.put(f.cps[k]);
    }
    return true;
}

} // namespace

QString fold(QStringView text) {
    QString out;
    out.reserve(text.size());
    forEachCharacter(text, [&out](qsizetype, qsizetype, const Folded &f) {
        for (quint8 k = 0; k < f.size; ++k) appendUtf16(out, f.cps[k]);
    });
    return out;
}

QByteArray foldUtf8(QByteArrayView utf8, bool *valid) {
    Utf8Writer out(utf8.size() + 64);
    if (valid) *valid = true;
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    while (p < end) {
        // Bytes below 0x80 never occur inside a multi-byte sequence, so the text splits cleanly into
        // ASCII runs (lowered as they are copied) and runs of other characters.
        const char *run = p;
        p = asciiEnd(p, end);
        if (p > run) {
            copyLowered(run, p - run, out.room(p - run));
            out.wrote(p - run);
        }
        run = p;
        while (p < end && uchar(*p) >= 0x80) ++p;
        if (p > run && !putFoldedRun(out, run, p)) {
            // Malformed: read the way Qt reads it, with U+FFFD in place of what cannot be read.
            if (valid) *valid = false;
            const QByteArray replaced = fold(QString::fromUtf8(run, p - run)).toUtf8();
            std::memcpy(out.room(replaced.size()), replaced.constData(), size_t(replaced.size()));
            out.wrote(replaced.size());
        }
    }
    return out.take();
}

Mapped foldMapped(QStringView text) {
    Mapped m;
    m.text.reserve(text.size());
    qsizetype openFrom = 0; // first unit whose end is not known yet
    forEachCharacter(text, [&](qsizetype start, qsizetype length, const Folded &f) {
        if (f.size == 0) return; // a dropped mark: the character before it reaches over it
        for (qsizetype k = openFrom; k < m.text.size(); ++k) m.ends[k] = start;
        openFrom = m.text.size();
        for (quint8 k = 0; k < f.size; ++k) appendUtf16(m.text, f.cps[k]);
        while (m.starts.size() < m.text.size()) {
            m.starts.append(start);
            m.ends.append(start + length);
        }
    });
    for (qsizetype k = openFrom; k < m.text.size(); ++k) m.ends[k] = text.size();
    return m;
}

std::pair<qsizetype, qsizetype> Mapped::originalRange(qsizetype start, qsizetype length) const {
    if (start < 0 || length <= 0 || start + length > text.size()) return {0, 0};
    return {starts[start], ends[start + length - 1]};
}

} // namespace platform::TextFolding
