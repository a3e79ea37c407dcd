#include "brand/PieceLabels.h"

#include <algorithm>

namespace BrandImporter::Labels {

namespace {
// How far either side of a place where a colour's text was taken out the label is read: far enough
// that every word meeting the place, and the two characters either side of that word, lie inside.
constexpr qsizetype reach = longestWord + 3;
} // namespace

WordsSeen PieceLabels::Tally::seen() const {
    WordsSeen s;
    for (int i = 0; i < wordCount; ++i) {
        if (anywhere[size_t(i)] > 0) s.anywhere |= quint64(1) << i;
        if (whole[size_t(i)] > 0) s.whole |= quint64(1) << i;
    }
    return s;
}

std::optional<quint64> PieceLabels::keyOf(QStringView text) {
    if (text.size() > 9) return std::nullopt;
    quint64 key = quint64(text.size()) << 56;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) return std::nullopt;
        key |= quint64(c) << (7 * (i - 1));
    }
    return key;
}

void PieceLabels::lowerCase() {
    const qsizetype n = m_piece.size();
    m_lower.clear();
    m_lowerAt.resize(size_t(n) + 1);
    for (qsizetype i = 0; i < n;) {
        const char16_t c = m_piece[i].unicode();
        if (c < 0x80) {
            m_lowerAt[size_t(i++)] = m_lower.size();
            m_lower += QChar(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && m_piece[end].unicode() >= 0x80) ++end;
        const QString run = m_piece.sliced(i, end - i).toString().toLower();
        if (run.size() == end - i) {
            for (qsizetype k = i; k < end; ++k) m_lowerAt[size_t(k)] = m_lower.size() + (k - i);
            m_lower += run;
            i = end;
            continue;
        }
        // Some character of the run changes length (İ): one code point at a time.
        for (; i < end;) {
            const qsizetype units =
                m_piece[i].isHighSurrogate() && i + 1 < end && m_piece[i + 1].isLowSurrogate() ? 2 : 1;
            for (qsizetype k = 0; k < units; ++k) m_lowerAt[size_t(i + k)] = m_lower.size() + k;
            m_lower += m_piece.sliced(i, units).toString().toLower();
            i += units;
        }
    }
    m_lowerAt[size_t(n)] = m_lower.size();
}

void PieceLabels::reset(QStringView piece) {
    m_piece = piece;
    const qsizetype n = piece.size();
    m_runs.clear();
    for (qsizetype i = piece.indexOf(u'#'); i >= 0; i = piece.indexOf(u'#', i + 1))
        for (const qsizetype length : {4, 7, 9})
            if (i + length <= n)
                if (const auto key = keyOf(piece.sliced(i, length))) m_runs.push_back({*key, i});
    std::sort(m_runs.begin(), m_runs.end());
    m_known.assign(m_runs.size(), std::nullopt);

    lowerCase();
    m_sightings.clear();
    m_tally = {};
    std::array<WordAt, maxWordsAt> found;
    const qsizetype lower = m_lower.size();
    m_firstFrom.resize(size_t(lower) + 1);
    for (qsizetype at = 0; at < lower; ++at) {
        m_firstFrom[size_t(at)] = qsizetype(m_sightings.size());
        const int count = wordsAt(m_lower, at, found);
        for (int i = 0; i < count; ++i) {
            const WordAt &w = found[size_t(i)];
            m_sightings.push_back({at, w.length, w.word, w.whole});
            m_tally.add(w.word, w.whole, 1);
        }
    }
    m_firstFrom[size_t(lower)] = qsizetype(m_sightings.size());
    m_mark.assign(m_sightings.size(), 0);
}

WordsSeen PieceLabels::wordsWithout(QStringView matched) {
    const auto key = keyOf(matched);
    const auto runs = key ? std::equal_range(m_runs.begin(), m_runs.end(), Run{*key, 0},
                                             [](const Run &a, const Run &b) { return a.key < b.key; })
                          : std::pair{m_runs.end(), m_runs.end()};
    if (runs.first == runs.second) return slowly(matched); // not a colour's text: never asked for
    std::optional<WordsSeen> &known = m_known[size_t(runs.first - m_runs.begin())];
    if (known) return *known;
    const qsizetype n = m_piece.size(), length = matched.size();
    bool slow = false;
    // Taking text out from between two halves of a broken surrogate pair would join them into one
    // character, whose lower case may differ: never in text read from UTF-8, but read right anyway.
    for (auto run = runs.first; run != runs.second && !slow; ++run)
        slow = (run->at > 0 && m_piece[run->at - 1].isHighSurrogate()) ||
               (run->at + length < n && m_piece[run->at + length].isLowSurrogate());
    known = slow ? slowly(matched) : quickly(runs.first - m_runs.begin(), runs.second - m_runs.begin(), length);
    return *known;
}

// From the words of the whole piece: those gone or changed where the runs were taken out are
// counted off, and the label's own words around those places counted in.
WordsSeen PieceLabels::quickly(qsizetype firstRun, qsizetype endRun, qsizetype length) {
    // In the lower-case piece, where a run has the same length as in the piece.
    const qsizetype n = m_lower.size();
    const auto start = [this](qsizetype run) { return m_lowerAt[size_t(m_runs[size_t(run)].at)]; };
    Tally tally = m_tally;
    // The piece's words that meet a part taken out, or whose two characters either side do.
    ++m_calls;
    for (qsizetype run = firstRun; run < endRun; ++run) {
        const qsizetype s = start(run);
        const qsizetype from = std::max<qsizetype>(0, s - longestWord - 1), to = std::min(n, s + length + 2);
        for (qsizetype k = m_firstFrom[size_t(from)]; k < m_firstFrom[size_t(to)]; ++k) {
            const Sighting &sighting = m_sightings[size_t(k)];
            if (m_mark[size_t(k)] == m_calls) continue;
            if (sighting.at - 2 < s + length && sighting.at + sighting.length + 2 > s) {
                m_mark[size_t(k)] = m_calls;
                tally.add(sighting.word, sighting.whole, -1);
            }
        }
    }
    // The label's words that meet a place where a part was, or whose two characters either side do,
    // read from the label around those places; places closer than twice the reach are read together.
    std::array<WordAt, maxWordsAt> found;
    for (qsizetype first = firstRun; first < endRun;) {
        qsizetype last = first;
        while (last + 1 < endRun && start(last + 1) - (start(last) + length) < 2 * reach) ++last;
        const qsizetype from = std::max<qsizetype>(0, start(first) - reach);
        const qsizetype to = std::min(n, start(last) + length + reach);
        m_label.clear();
        m_joins.clear();
        qsizetype at = from;
        for (qsizetype run = first; run <= last; ++run) {
            m_label += QStringView(m_lower).sliced(at, start(run) - at);
            m_joins.push_back(m_label.size());
            at = start(run) + length;
        }
        m_label += QStringView(m_lower).sliced(at, to - at);
        for (qsizetype a = 0; a < m_label.size(); ++a) {
            const int count = wordsAt(m_label, a, found);
            for (int i = 0; i < count; ++i) {
                const WordAt &w = found[size_t(i)];
                const auto join = std::lower_bound(m_joins.begin(), m_joins.end(), a - 1);
                if (join != m_joins.end() && *join <= a + w.length + 1) tally.add(w.word, w.whole, 1);
            }
        }
        first = last + 1;
    }
    return tally.seen();
}

WordsSeen PieceLabels::slowly(QStringView matched) const {
    QString label = m_piece.toString();
    label.remove(matched.toString());
    label = std::move(label).toLower();
    return wordsIn(label, 0, label.size());
}

} // namespace BrandImporter::Labels
