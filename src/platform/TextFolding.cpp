#include "platform/TextFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>

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

} // namespace

QString fold(QStringView text) {
    QString out;
    out.reserve(text.size());
    forEachCharacter(text, [&out](qsizetype, qsizetype, const Folded &f) {
        for (quint8 k = 0; k < f.size; ++k) appendUtf16(out, f.cps[k]);
    });
    return out;
}

QByteArray foldUtf8(QByteArrayView utf8) {
    QByteArray out;
    out.reserve(utf8.size());
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    while (p < end) {
        // Bytes below 0x80 never occur inside a multi-byte sequence, so the text splits cleanly into
        // ASCII runs (lowered in place) and runs of other characters.
        const char *run = p;
        while (p < end && uchar(*p) < 0x80) ++p;
        if (p > run) {
            const qsizetype at = out.size();
            out.append(run, p - run);
            char *d = out.data() + at;
            for (qsizetype k = 0; k < p - run; ++k) d[k] = asciiLower(d[k]);
        }
        run = p;
        while (p < end && uchar(*p) >= 0x80) ++p;
        if (p > run) out.append(fold(QString::fromUtf8(run, p - run)).toUtf8());
    }
    return out;
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
