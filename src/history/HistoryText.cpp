#include "history/HistoryText.h"

#include "platform/TextFolding.h"

#include <QTextBoundaryFinder>

#include <cstring>

namespace HistoryText {

namespace {

constexpr qsizetype kWholeBelow = 91; // lines of up to 90 characters are shown whole
constexpr qsizetype kCutTo = 88;

bool isLineBreak(QChar c) {
    switch (c.unicode()) {
    case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x85: case 0x2028: case 0x2029: return true;
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
    if (key.isEmpty() || key.size() > folded.size()) return false;
    return ::memmem(folded.data(), size_t(folded.size()), key.data(), size_t(key.size())) != nullptr;
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

} // namespace HistoryText
