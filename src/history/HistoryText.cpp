#include "history/HistoryText.h"

#include "platform/TextFolding.h"

#include <QTextBoundaryFinder>

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace HistoryText {

namespace {

constexpr qsizetype kWholeBelow = 91; // lines of up to 90 characters are shown whole
constexpr qsizetype kCutTo = 88;

bool isLineBreak(QChar c) {
    switch (c.unicode()) {
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x85:
    case 0x2028:
    case 0x2029: return true;
    default: return false;
    }
}

bool isSpaceOrTab(QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; }

QStringView trimmedOfSpaces(QStringView line) {
    qsizetype start = 0, end = line.size();
    while (start < end && isSpaceOrTab(line[start])) ++start;
    while (end > start && isSpaceOrTab(line[end - 1])) --end;
    return line.sliced(start, end - start);
}

// The line whole when it is short, else its first 88 grapheme clusters and an ellipsis.
QString cutToLength(QStringView line) {
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, line.data(), line.size());
    qsizetype count = 0, cut = -1;
    for (qsizetype at = clusters.toNextBoundary(); at != -1; at = clusters.toNextBoundary()) {
        if (++count == kCutTo) cut = at;
        if (count >= kWholeBelow) return line.first(cut).toString() + QChar(0x2026);
    }
    return line.toString();
}

} // namespace

QByteArray queryKey(QStringView query) { return platform::TextFolding::fold(query.trimmed()).toUtf8(); }

bool contains(QByteArrayView folded, QByteArrayView key) {
    const qsizetype n = key.size(), size = folded.size();
    if (n == 0 || n > size) return false;
    const char *h = folded.data();
    const char *k = key.data();
    if (n == 1) return std::memchr(h, k[0], size_t(size)) != nullptr;
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen starting places at a time: those where the key's first and last bytes both fit are
    // compared whole. Several times the speed of memmem on short keys, which is what people type.
    const __m128i first = _mm_set1_epi8(k[0]), last = _mm_set1_epi8(k[n - 1]);
    for (; i + n - 1 + 16 <= size; i += 16) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i));
        const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i + n - 1));
        unsigned both =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
        for (; both; both &= both - 1) {
            if (std::memcmp(h + i + __builtin_ctz(both) + 1, k + 1, size_t(n - 2)) == 0) return true;
        }
    }
#endif
    return ::memmem(h + i, size_t(size - i), k, size_t(n)) != nullptr;
}

std::optional<QString> snippet(QByteArrayView text, QByteArrayView key) {
    if (key.isEmpty()) return std::nullopt;
    const QString whole = QString::fromUtf8(text);
    const QStringView all(whole);
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = start;
        while (end < all.size() && !isLineBreak(all[end])) ++end;
        const QStringView line = all.sliced(start, end - start);
        if (!line.isEmpty() && contains(platform::TextFolding::fold(line).toUtf8(), key))
            return cutToLength(trimmedOfSpaces(line));
        start = end + 1; // CR LF: the LF starts an empty line, which is skipped
    }
    return std::nullopt;
}

std::optional<std::pair<qsizetype, qsizetype>> firstMatch(QStringView text, QStringView query) {
    const QString key = platform::TextFolding::fold(query.trimmed());
    if (key.isEmpty()) return std::nullopt;
    const platform::TextFolding::Mapped mapped = platform::TextFolding::foldMapped(text);
    const qsizetype at = mapped.text.indexOf(key);
    if (at < 0) return std::nullopt;
    const auto [from, to] = mapped.originalRange(at, key.size());
    return std::pair<qsizetype, qsizetype>(from, to - from);
}

} // namespace HistoryText
