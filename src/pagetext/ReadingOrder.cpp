#include "pagetext/ReadingOrder.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace ReadingOrder {

namespace {

using Line = platform::TextLine;
using Indices = std::vector<qsizetype>;

struct Piece {
    QRectF box;
    qreal baseline = 0; // where most of its glyphs stand
    qreal height = 0;   // of its taller glyphs (an icon read with them makes the box taller still)
    // Read without a letter or digit: as often a switch, check box or icon taken for a symbol ("@")
    // as a symbol written.
    bool symbol = false;
};

// The value `share` of the way up the sorted values.
qreal rankOf(std::vector<qreal> values, qreal share) {
    if (values.empty()) return 0;
    const auto at = values.begin() + qsizetype(qreal(values.size() - 1) * share + 0.5);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

qreal medianOf(std::vector<qreal> values) { return rankOf(std::move(values), 0.5); }

Piece pieceOf(const Line &line) {
    const bool symbol = std::none_of(line.text.begin(), line.text.end(), [](QChar c) { return c.isLetterOrNumber(); });
    if (line.glyphs.isEmpty()) return {line.box, line.box.bottom(), line.box.height(), symbol};
    // A box the engine gave several characters together counts once.
    std::vector<qreal> bottoms, heights;
    for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
        const Line::Glyph &g = line.glyphs[i];
        if (i > 0 && line.glyphs[i - 1].box == g.box) continue;
        bottoms.push_back(g.box.bottom());
        heights.push_back(g.box.height());
    }
    return {line.box, medianOf(bottoms), rankOf(heights, 0.75), symbol};
}

// Two pieces of one row: side by side on baselines three tenths of the smaller one's height apart at
// most (or centred on one line: the engine at times gives a letter the box of several), neither more
// than twice as tall as the other.
bool sameRow(const Piece &a, const Piece &b) {
    const qreal low = std::min(a.height, b.height), high = std::max(a.height, b.height);
    if (high > 2 * low) return false;
    if (std::min(a.box.right(), b.box.right()) > std::max(a.box.left(), b.box.left())) return false;
    const qreal tolerance = std::max(2.0, 0.3 * low);
    return std::abs(a.baseline - b.baseline) <= tolerance ||
           std::abs(a.box.center().y() - b.box.center().y()) <= tolerance;
}

class Arranger {
public:
    explicit Arranger(const QList<Line> &lines) {
        for (const Line &l : lines) m_pieces.push_back(pieceOf(l));
    }

    QList<QList<qsizetype>> rows() {
        Indices all(m_pieces.size());
        for (size_t i = 0; i < all.size(); ++i) all[i] = qsizetype(i);
        arrange(all);
        return m_rows;
    }

private:
    const QRectF &box(qsizetype i) const { return m_pieces[size_t(i)].box; }
    bool oneRow(qsizetype i, qsizetype j) const { return sameRow(m_pieces[size_t(i)], m_pieces[size_t(j)]); }
    void sortBy(Indices &pieces, qreal (QRectF::*edge)() const) const {
        std::sort(pieces.begin(), pieces.end(),
                  [&](qsizetype a, qsizetype b) { return (box(a).*edge)() < (box(b).*edge)(); });
    }

    // Whether the two sides of a gutter are rows that run across it: most pieces of the side with
    // fewer share a row with a piece of the other (a block beside another shares few, by chance).
    bool rowsAcross(const Indices &left, const Indices &right) const {
        const Indices &fewer = left.size() <= right.size() ? left : right, &more = &fewer == &left ? right : left;
        const qsizetype paired = std::count_if(fewer.begin(), fewer.end(), [&](qsizetype i) {
            return std::any_of(more.begin(), more.end(), [&](qsizetype j) { return oneRow(i, j); });
        });
        return 2 * paired > qsizetype(fewer.size());
    }

    // Whether `list` is a column of its own beside `rest` though their rows line up: a sidebar's items,
    // each alone on its row, short, starting at one left edge, set off by a panel's margins (six lines'
    // height at least) and well further from `rest` than the columns of `rest` are from each other (a
    // form's labels and values). A table's columns are spaced alike, a few letters apart, and a
    // record's labels have a column of values with no gaps beside them: both stay rows.
    bool listBeside(const Indices &list, const Indices &rest, qreal gutter) const {
        if (list.size() < 3) return false;
        std::vector<qreal> heights;
        qreal edge = box(list[0]).left();
        for (const qsizetype i : list) {
            heights.push_back(box(i).height());
            edge = std::min(edge, box(i).left());
        }
        const qreal tolerance = medianOf(heights);
        if (gutter < 6 * tolerance) return false;
        for (size_t a = 0; a < list.size(); ++a) {
            const Piece &p = m_pieces[size_t(list[a])];
            if (p.box.left() - edge > tolerance || p.box.width() > 24 * p.height) return false;
            for (size_t b = a + 1; b < list.size(); ++b) {
                if (oneRow(list[a], list[b])) return false;
            }
        }
        const qreal inside = widestColumnGap(rest, tolerance);
        return inside > 0 && 4 * gutter > 5 * inside;
    }

    // The widest gap between two columns of `pieces`: each piece and the next one right of it on its
    // row make a pair; pairs whose right pieces start at one edge are two columns, as far apart as
    // their closest pair. 0 when no row holds two pieces. Symbols take no part: a switch at a card's
    // right end is no column of text, and would make the form's columns look as far apart as a
    // sidebar is from it.
    qreal widestColumnGap(const Indices &pieces, qreal tolerance) const {
        std::vector<std::pair<qreal, qreal>> pairs; // where the right piece starts, the gap before it
        for (const qsizetype i : pieces) {
            if (m_pieces[size_t(i)].symbol) continue;
            const qsizetype *next = nullptr;
            for (const qsizetype &j : pieces) {
                if (m_pieces[size_t(j)].symbol || box(j).left() < box(i).right() || !oneRow(i, j)) continue;
                if (!next || box(j).left() < box(*next).left()) next = &j;
            }
            if (next) pairs.push_back({box(*next).left(), box(*next).left() - box(i).right()});
        }
        std::sort(pairs.begin(), pairs.end());
        qreal widest = 0;
        for (size_t a = 0; a < pairs.size();) {
            qreal closest = pairs[a].second;
            size_t b = a + 1;
            for (; b < pairs.size() && pairs[b].first - pairs[a].first <= tolerance; ++b)
                closest = std::min(closest, pairs[b].second);
            widest = std::max(widest, closest);
            a = b;
        }
        return widest;
    }

    // The gaps no piece of `pieces` crosses, top to bottom: where each starts and ends.
    std::vector<std::pair<qreal, qreal>> gapsAcross(Indices pieces) const {
        sortBy(pieces, &QRectF::top);
        std::vector<std::pair<qreal, qreal>> gaps;
        qreal bottom = box(pieces[0]).bottom();
        for (size_t k = 1; k < pieces.size(); ++k) {
            if (box(pieces[k]).top() > bottom) gaps.push_back({bottom, box(pieces[k]).top()});
            bottom = std::max(bottom, box(pieces[k]).bottom());
        }
        return gaps;
    }

    // Where the band of the page that `left` and `rest` share ends, when a gutter between them holds
    // only for part of their height: the two sides are then read band by band, not one after the
    // other. Two cases make a band. A right side whose pieces start at one left edge above a gap
    // across the page and at another below it is no column across that gap: a top bar's right end
    // above a card. And a right block beside the top of the left side, the left going on below a gap
    // wider than its own rows' gaps, stands beside that top only, not beside what comes after the gap
    // (a help card beside a form, with a card across the page below both). Nothing when the gutter
    // holds for the whole height.
    std::optional<qreal> bandEnd(const Indices &left, const Indices &rest, qreal tolerance) const {
        Indices all = left;
        all.insert(all.end(), rest.begin(), rest.end());
        const auto leftEdge = [&](const Indices &side, qreal from, qreal to) {
            qreal edge = std::numeric_limits<qreal>::max();
            for (const qsizetype i : side) {
                if (box(i).top() >= from && box(i).bottom() <= to) edge = std::min(edge, box(i).left());
            }
            return edge;
        };
        const qreal top = -std::numeric_limits<qreal>::max(), end = std::numeric_limits<qreal>::max();
        const std::vector<std::pair<qreal, qreal>> gaps = gapsAcross(all);
        for (const auto &[from, to] : gaps) {
            const qreal above = leftEdge(rest, top, from), below = leftEdge(rest, to, end);
            if (above < end && below < end && std::abs(above - below) > 4 * tolerance) return to;
        }
        // The left side going on below the right one's last piece, and the gaps between its own pieces.
        qreal leftBottom = 0, restBottom = 0;
        for (const qsizetype i : left) leftBottom = std::max(leftBottom, box(i).bottom());
        for (const qsizetype i : rest) restBottom = std::max(restBottom, box(i).bottom());
        if (leftBottom <= restBottom) return std::nullopt;
        const std::vector<std::pair<qreal, qreal>> own = gapsAcross(left);
        for (const auto &[from, to] : gaps) {
            if (from < restBottom) continue;
            qreal widest = tolerance;
            for (const auto &[a, b] : own) {
                if (b <= from) widest = std::max(widest, b - a);
            }
            if (to - from >= 1.5 * widest) return to;
        }
        return std::nullopt;
    }

    // Cuts the pieces at a vertical gutter between blocks (the widest first), else at the widest
    // horizontal gap, and reads each part in turn; what cannot be cut is read row by row.
    void arrange(Indices pieces) {
        if (pieces.size() > 1) {
            std::vector<qreal> heights;
            for (const qsizetype i : pieces) heights.push_back(box(i).height());
            const qreal narrowest = medianOf(heights);
            sortBy(pieces, &QRectF::left);
            std::vector<std::pair<qreal, size_t>> gutters; // width, pieces left of it
            qreal right = box(pieces[0]).right();
            for (size_t k = 1; k < pieces.size(); ++k) {
                const qreal gap = box(pieces[k]).left() - right;
                if (gap >= narrowest) gutters.push_back({gap, k});
                right = std::max(right, box(pieces[k]).right());
            }
            std::sort(gutters.begin(), gutters.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
            for (const auto &[width, k] : gutters) {
                const auto at = pieces.begin() + qsizetype(k);
                const Indices left(pieces.begin(), at), rest(at, pieces.end());
                if (rowsAcross(left, rest) && !listBeside(left, rest, width)) continue;
                if (const std::optional<qreal> y = bandEnd(left, rest, narrowest)) {
                    Indices above, below;
                    for (const qsizetype i : pieces) (box(i).top() < *y ? above : below).push_back(i);
                    arrange(above);
                    arrange(below);
                    return;
                }
                arrange(left);
                arrange(rest);
                return;
            }
            sortBy(pieces, &QRectF::top);
            qreal widest = 0, bottom = box(pieces[0]).bottom();
            size_t cut = 0;
            for (size_t k = 1; k < pieces.size(); ++k) {
                const qreal gap = box(pieces[k]).top() - bottom;
                if (gap > widest) {
                    widest = gap;
                    cut = k;
                }
                bottom = std::max(bottom, box(pieces[k]).bottom());
            }
            if (cut > 0) {
                arrange(Indices(pieces.begin(), pieces.begin() + qsizetype(cut)));
                arrange(Indices(pieces.begin() + qsizetype(cut), pieces.end()));
                return;
            }
        }
        readRows(pieces);
    }

    // Pieces that no gutter or gap divides, top to bottom by baseline; a piece on the row of those before
    // it joins their row.
    void readRows(Indices pieces) {
        std::sort(pieces.begin(), pieces.end(), [this](qsizetype a, qsizetype b) {
            return m_pieces[size_t(a)].baseline < m_pieces[size_t(b)].baseline;
        });
        Indices row;
        const auto flush = [&] {
            if (row.empty()) return;
            sortBy(row, &QRectF::left);
            m_rows.append(QList<qsizetype>(row.begin(), row.end()));
            row.clear();
        };
        for (const qsizetype i : pieces) {
            const bool joins =
                !row.empty() && std::all_of(row.begin(), row.end(), [&](qsizetype j) { return oneRow(i, j); });
            if (!joins) flush();
            row.push_back(i);
        }
        flush();
    }

    std::vector<Piece> m_pieces;
    QList<QList<qsizetype>> m_rows;
};

} // namespace

QList<QList<qsizetype>> rowsOf(const QList<platform::TextLine> &lines) { return Arranger(lines).rows(); }

} // namespace ReadingOrder
