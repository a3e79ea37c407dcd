#include "pagetext/TextLayout.h"

#include "pagetext/PixelRegions.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <vector>

namespace TextLayout {

namespace {

// Pieces taller than this are pictures or shapes, not text (the largest heading of a 2x capture is
// about half of it).
constexpr int kTallest = 200;

// The tallest a mark set halfway up a line gets (a heading's middle dot or dash, on a 2x screen).
constexpr int kTallestMark = 8;

// A piece with no fill next to it, and one between two fills (a field's border, an avatar's ring).
constexpr qint32 kNoGround = -1;
constexpr qint32 kBetweenGrounds = -2;

struct Piece {
    QRect box;
    int area = 0;
    qint32 ground = kNoGround; // the fill it lies on
};

// Union-find over the pieces.
class Groups {
public:
    explicit Groups(size_t n) : m_parent(n) { std::iota(m_parent.begin(), m_parent.end(), size_t(0)); }
    size_t find(size_t i) {
        while (m_parent[i] != i) i = m_parent[i] = m_parent[m_parent[i]];
        return i;
    }
    void join(size_t a, size_t b) { m_parent[find(a)] = find(b); }

private:
    std::vector<size_t> m_parent;
};

// Lines and rings: a piece a few pixels thick.
bool isOutline(const Piece &p) { return p.area <= 3 * (p.box.width() + p.box.height()); }

qint32 regionAt(const TextPreparation::InkMap &ink, QPoint p) {
    return ink.region[size_t(p.y()) * size_t(ink.width) + size_t(p.x())];
}

// A row's fill that letters joined across rows cut in pieces. On striped rows a chain of letters
// touching across rows (a "j" over an "l") crosses a row's whole height: the row's colour either side
// of it, and between its letters, are regions of their own, many too small to count as a fill, and
// the words either side would lie on different fills. Regions of one colour that such a chain
// touches are one fill.
class SameFill {
public:
    SameFill(const TextPreparation::InkMap &ink, const PixelRegions &pieces, const std::vector<qint32> &chains) {
        if (chains.empty()) return;
        std::vector<quint8> chain(size_t(pieces.count()));
        for (const qint32 c : chains) chain[size_t(c)] = 1;
        const int w = ink.width, h = ink.height;
        std::vector<std::pair<qint32, qint32>> touches; // a chain and a region of a fill's colour beside it
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                const qint32 piece = pieces.at(i);
                if (piece < 0 || !chain[size_t(piece)]) continue;
                const auto touch = [&](size_t j) {
                    const qint32 fill = ink.region[j];
                    if (ink.colour[size_t(fill)] == TextPreparation::InkMap::kNoColour) return;
                    if (touches.empty() || touches.back() != std::make_pair(piece, fill))
                        touches.emplace_back(piece, fill);
                };
                if (x > 0) touch(i - 1);
                if (x + 1 < w) touch(i + 1);
                if (y > 0) touch(i - size_t(w));
                if (y + 1 < h) touch(i + size_t(w));
            }
        }
        std::sort(touches.begin(), touches.end());
        touches.erase(std::unique(touches.begin(), touches.end()), touches.end());
        for (const auto &t : touches) m_fills.push_back(t.second);
        std::sort(m_fills.begin(), m_fills.end());
        m_fills.erase(std::unique(m_fills.begin(), m_fills.end()), m_fills.end());
        // The rows each of them spans: the parts of one row's fill span the same ones, while the inside
        // of a ring (a switch, an outlined chip) and the page around it do not.
        std::vector<qint32> index(ink.colour.size(), -1);
        for (size_t i = 0; i < m_fills.size(); ++i) index[size_t(m_fills[i])] = qint32(i);
        std::vector<int> top(m_fills.size(), INT_MAX), bottom(m_fills.size(), -1);
        for (size_t i = 0; i < ink.region.size(); ++i) {
            const qint32 f = index[size_t(ink.region[i])];
            if (f < 0) continue;
            const int y = int(i / size_t(w));
            top[size_t(f)] = std::min(top[size_t(f)], y);
            bottom[size_t(f)] = std::max(bottom[size_t(f)], y);
        }
        Groups groups(m_fills.size());
        for (size_t a = 0; a < touches.size();) {
            size_t end = a + 1;
            while (end < touches.size() && touches[end].first == touches[a].first) ++end;
            for (size_t i = a; i < end; ++i) {
                for (size_t j = i + 1; j < end; ++j) {
                    const size_t f = indexOf(touches[i].second), g = indexOf(touches[j].second);
                    const bool sameRow = std::abs(top[f] - top[g]) <= 2 && std::abs(bottom[f] - bottom[g]) <= 2;
                    if (ink.colour[size_t(touches[i].second)] == ink.colour[size_t(touches[j].second)] && sameRow)
                        groups.join(f, g);
                }
            }
            a = end;
        }
        m_same.resize(m_fills.size());
        for (size_t i = 0; i < m_fills.size(); ++i) m_same[i] = m_fills[groups.find(i)];
    }

    // The region standing for `region` and every region of its colour on the same row: -1 when it is
    // none of them.
    qint32 of(qint32 region) const {
        const auto it = std::lower_bound(m_fills.begin(), m_fills.end(), region);
        return it != m_fills.end() && *it == region ? m_same[size_t(it - m_fills.begin())] : -1;
    }

private:
    size_t indexOf(qint32 fill) const {
        return size_t(std::lower_bound(m_fills.begin(), m_fills.end(), fill) - m_fills.begin());
    }

    std::vector<qint32> m_fills; // every region a chain touches, in order
    std::vector<qint32> m_same;  // for each of them, the one standing for it
};

// The fill a piece lies on: the first fill left and right of its middle. Text lies on the fill
// beside it; a tall letter on striped rows (tables, file lists, logs) reaches the neighbouring rows'
// colours above and below. Where neither side shows a fill within the piece's height (a piece
// hemmed in by others), the points two pixels above and below it decide.
qint32 groundUnder(const TextPreparation::InkMap &ink, const SameFill &same, const QRect &box) {
    const QPoint c = box.center();
    const int reach = std::max(4, box.height());
    const auto fillAt = [&](QPoint p) {
        const qint32 r = regionAt(ink, p), row = same.of(r);
        return row >= 0 ? row : ink.ground[size_t(r)] ? r : kNoGround;
    };
    const auto firstFill = [&](int x, int step) {
        for (int n = 0; n < reach && x >= 0 && x < ink.width; ++n, x += step) {
            const qint32 r = fillAt({x, c.y()});
            if (r != kNoGround) return r;
        }
        return kNoGround;
    };
    qint32 votes[4];
    int n = 0;
    for (const qint32 r : {firstFill(box.left() - 1, -1), firstFill(box.right() + 1, 1)}) {
        if (r != kNoGround) votes[n++] = r;
    }
    if (n == 0) {
        for (const QPoint &p : {QPoint(c.x(), box.top() - 2), QPoint(c.x(), box.bottom() + 2)}) {
            if (p.y() < 0 || p.y() >= ink.height) continue;
            const qint32 r = fillAt(p);
            if (r != kNoGround) votes[n++] = r;
        }
    }
    if (n == 0) return kNoGround;
    if (!std::all_of(votes, votes + n, [&](qint32 v) { return v == votes[0]; })) return kBetweenGrounds;
    return votes[0];
}

// Rows of small text set close (a log or a table on rows 12 pixels apart) have letters that touch
// the letters of the next row, a "g" over an "l": one piece two rows tall, which would join both rows
// into one line. Such a piece, well over the height of the pieces it would join, is cut between the
// bands where those pieces lie, at the row the fewest of them reach.
std::vector<qint32> cutAcrossRows(std::vector<Piece> &pieces, const PixelRegions &regions, int w) {
    std::vector<size_t> order(pieces.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return pieces[a].box.left() < pieces[b].box.left(); });
    std::vector<int> lefts(order.size());
    for (size_t i = 0; i < order.size(); ++i) lefts[i] = pieces[order[i]].box.left();
    struct Cut {
        size_t piece;
        std::vector<int> rows; // the last row of each part but the last
    };
    std::vector<Cut> cuts;
    std::vector<int> heights;
    for (size_t p = 0; p < pieces.size(); ++p) {
        const QRect box = pieces[p].box;
        if (box.height() < 12 || box.height() > kTallest) continue;
        const auto from = std::lower_bound(lefts.begin(), lefts.end(), box.left() - 2 * box.height());
        const auto to = std::upper_bound(lefts.begin(), lefts.end(), box.right() + 2 * box.height());
        std::vector<size_t> beside;
        heights.clear();
        for (auto it = from; it != to; ++it) {
            const size_t q = order[size_t(it - lefts.begin())];
            const QRect &b = pieces[q].box;
            if (q == p || b.bottom() < box.top() || b.top() > box.bottom()) continue;
            beside.push_back(q);
            heights.push_back(b.height());
        }
        if (beside.size() < 2) continue;
        std::nth_element(heights.begin(), heights.begin() + qsizetype(heights.size()) / 2, heights.end());
        const int typical = heights[heights.size() / 2];
        if (10 * box.height() < 16 * typical) continue;
        // How much ink lies on each of its rows: its own and that of the pieces it could join (as tall
        // as most, and within two heights of it).
        std::vector<int> reached(size_t(box.height()));
        const auto addInk = [&](size_t q, const QRect &b) {
            for (int y = std::max(b.top(), box.top()); y <= std::min(b.bottom(), box.bottom()); ++y) {
                for (int x = b.left(); x <= b.right(); ++x)
                    reached[size_t(y - box.top())] += regions.at(size_t(y) * size_t(w) + size_t(x)) == qint32(q);
            }
        };
        addInk(p, box);
        std::vector<const QRect *> rows;
        for (const size_t q : beside) {
            const QRect &b = pieces[q].box;
            if (2 * b.height() > 3 * typical) continue;
            rows.push_back(&b);
            const int gap = std::max(b.left() - box.right(), box.left() - b.right());
            if (gap <= 2 * typical) addInk(q, b);
        }
        // A row between two rows of text: half the ink of the fullest row above and below it, up to
        // the nearest row with less ink than it on either side. A row of text is then never between,
        // even when it holds less ink than its neighbours (a short name between long ones), for the
        // gaps on either side of it hold less still.
        const int n = box.height();
        const auto fullest = [&](int y, int step) {
            int most = reached[size_t(y)];
            for (int z = y + step; z >= 0 && z < n && reached[size_t(z)] >= reached[size_t(y)]; z += step)
                most = std::max(most, reached[size_t(z)]);
            return most;
        };
        const auto between = [&](int y) { return 2 * reached[size_t(y)] <= std::min(fullest(y, -1), fullest(y, 1)); };
        // ... with pieces as tall as most beside it wholly on either side, so that a large letter
        // beside one line of small text is never cut.
        const auto rowsOnBothSides = [&](int cutRow) {
            bool over = false, under = false;
            for (const QRect *b : rows) {
                over = over || b->bottom() <= cutRow + 1;
                under = under || b->top() >= cutRow - 1;
            }
            return over && under;
        };
        Cut cut{p, {}};
        for (int y = 0; y < n;) {
            if (!between(y)) {
                ++y;
                continue;
            }
            int end = y;
            while (end + 1 < n && between(end + 1)) ++end;
            const auto fewest = std::min_element(reached.begin() + y, reached.begin() + end + 1);
            const int low = box.top() + int(fewest - reached.begin());
            if (rowsOnBothSides(low)) cut.rows.push_back(low);
            y = end + 1;
        }
        if (!cut.rows.empty()) cuts.push_back(std::move(cut));
    }
    std::vector<qint32> cutPieces;
    for (const Cut &cut : cuts) {
        cutPieces.push_back(qint32(cut.piece));
        const QRect box = pieces[cut.piece].box;
        const qint32 label = qint32(cut.piece);
        int top = box.top();
        for (size_t part = 0; part <= cut.rows.size(); ++part) {
            const int bottom = part < cut.rows.size() ? cut.rows[part] : box.bottom();
            Piece piece;
            int l = INT_MAX, t = INT_MAX, r = -1, b = -1;
            for (int y = top; y <= bottom; ++y) {
                for (int x = box.left(); x <= box.right(); ++x) {
                    if (regions.at(size_t(y) * size_t(w) + size_t(x)) != label) continue;
                    ++piece.area;
                    l = std::min(l, x);
                    r = std::max(r, x);
                    t = std::min(t, y);
                    b = std::max(b, y);
                }
            }
            top = bottom + 1;
            if (piece.area == 0) continue;
            piece.box = QRect(QPoint(l, t), QPoint(r, b));
            if (part == 0) {
                pieces[cut.piece] = piece;
            } else {
                pieces.push_back(piece);
            }
        }
    }
    return cutPieces;
}

std::vector<Piece> piecesOf(const TextPreparation::InkMap &ink) {
    const int w = ink.width;
    const PixelRegions regions(
        w, ink.height, true, [&](qint32 i) { return ink.ink[size_t(i)] != 0; }, [](qint32, qint32) { return true; });
    std::vector<Piece> pieces(size_t(regions.count()));
    std::vector<int> left(pieces.size(), INT_MAX), top(pieces.size(), INT_MAX), right(pieces.size(), -1),
        bottom(pieces.size(), -1);
    for (size_t i = 0; i < regions.size(); ++i) {
        const qint32 r = regions.at(i);
        if (r < 0) continue;
        const int x = int(i % size_t(w)), y = int(i / size_t(w));
        const size_t p = size_t(r);
        ++pieces[p].area;
        left[p] = std::min(left[p], x);
        right[p] = std::max(right[p], x);
        top[p] = std::min(top[p], y);
        bottom[p] = std::max(bottom[p], y);
    }
    for (size_t p = 0; p < pieces.size(); ++p)
        pieces[p].box = QRect(QPoint(left[p], top[p]), QPoint(right[p], bottom[p]));
    const SameFill sameFill(ink, regions, cutAcrossRows(pieces, regions, w));
    for (Piece &p : pieces) p.ground = groundUnder(ink, sameFill, p.box);
    // Rings of anti-aliasing around rounded fields and buttons are rules too: long outlines.
    std::erase_if(pieces, [](const Piece &p) {
        return p.box.height() > kTallest || (std::max(p.box.width(), p.box.height()) >= 40 && isOutline(p));
    });
    std::sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) { return a.box.left() < b.box.left(); });
    return pieces;
}

int verticalOverlap(const QRect &a, const QRect &b) {
    return std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) + 1;
}

// Two pieces of one line: they lie on the same fill (never a piece between two fills, such as a
// field's border or an avatar's ring), share most of the smaller one's height, and the gap between
// them is at most twice that height (word spaces are a third of it, columns several times).
bool sideBySide(const Piece &a, const Piece &b) {
    if (a.ground == kBetweenGrounds || b.ground == kBetweenGrounds) return false;
    if (a.ground >= 0 && b.ground >= 0 && a.ground != b.ground) return false;
    const int smaller = std::min(a.box.height(), b.box.height());
    if (2 * verticalOverlap(a.box, b.box) < smaller) return false;
    const Piece &taller = a.box.height() >= b.box.height() ? a : b;
    // A dot, dash or equals sign halfway up the band of a taller piece is spaced as the letters
    // beside it are (" · " between words in a monospace font), not as its own height. (Periods stand
    // on the baseline and keep to their own height, so that tab titles such as "main.cpp" stay apart.)
    const QRect &shorter = &taller == &a ? b.box : a.box;
    const bool halfway =
        shorter.top() >= taller.box.top() && 5 * (taller.box.bottom() - shorter.bottom()) >= taller.box.height();
    const bool mark = halfway && 2 * shorter.height() <= taller.box.height();
    // An outline more than twice as tall as its neighbour is a separator between tabs or the ring
    // of an avatar, not a letter; but a mark may stand beside a letter drawn as thin as an outline
    // ("C"), which is not thin nor tall.
    const bool letter = 2 * taller.box.width() >= taller.box.height() && taller.box.height() <= 3 * kTallestMark;
    if (isOutline(taller) && 10 * taller.box.height() > 22 * smaller && !(mark && letter)) return false;
    return b.box.left() - a.box.right() - 1 <= 2 * std::max(mark ? taller.box.height() : smaller, 3);
}

bool inkAt(const TextPreparation::InkMap &ink, int x, int y) {
    return ink.ink[size_t(y) * size_t(ink.width) + size_t(x)] != 0;
}

// The underscores of one line: flat runs of columns, at least three pixels and 35 % of the line's
// height wide and three times as wide as their ink is thick, whose ink lies only on or under the
// baseline (where most letters end), with letters rising on both sides or nothing on either, or
// reaching below the baseline when a letter rises on one side only. The stroke may touch its
// neighbours, as it does in "pk_test"; a foot like that of "L" at a word's end has a letter on one
// side only and ends on the baseline (found, but not sure), and an underline runs on under the letters
// beside it.
QList<Underscore> underscoresOf(const TextPreparation::InkMap &ink, const QRect &line) {
    // The baseline is where the ink of most columns of letters (a third of the line tall) ends:
    // pieces of small text run together through their anti-aliasing, so that one piece may end on a
    // descender.
    std::vector<int> bottoms;
    for (int x = line.left(); x <= line.right(); ++x) {
        int top = -1, bottom = -1;
        for (int y = line.top(); y <= line.bottom(); ++y) {
            if (!inkAt(ink, x, y)) continue;
            if (top < 0) top = y;
            bottom = y;
        }
        if (top >= 0 && 3 * (bottom - top + 1) >= line.height()) bottoms.push_back(bottom);
    }
    if (bottoms.empty()) return {};
    std::nth_element(bottoms.begin(), bottoms.begin() + bottoms.size() / 2, bottoms.end());
    const int low = bottoms[bottoms.size() / 2] - 1;
    enum Column { empty, under, tall };
    const auto columnAt = [&](int x) {
        if (x < line.left() || x > line.right()) return empty;
        for (int y = line.top(); y <= line.bottom(); ++y) {
            if (inkAt(ink, x, y)) return y < low ? tall : under;
        }
        return empty;
    };
    const int shortest = std::max(3, (35 * line.height() + 99) / 100);
    QList<Underscore> found;
    for (int x = line.left(); x <= line.right();) {
        if (columnAt(x) != under) {
            ++x;
            continue;
        }
        // The rows a column's ink takes from the baseline down.
        const auto spanAt = [&](int c) {
            int first = -1, last = -1;
            for (int y = low; y <= line.bottom(); ++y) {
                if (!inkAt(ink, c, y)) continue;
                if (first < 0) first = y;
                last = y;
            }
            return std::make_pair(first, last);
        };
        // The stroke ends where the next column's ink does not meet its own: the hook of a "j" or
        // "g" may touch it lower down.
        int end = x;
        for (auto span = spanAt(x); end + 1 <= line.right() && columnAt(end + 1) == under;) {
            const auto next = spanAt(end + 1);
            if (next.first > span.second || next.second < span.first) break;
            span = next;
            ++end;
        }
        const Column before = columnAt(x - 1), after = columnAt(end + 1);
        int top = line.bottom(), bottom = low;
        for (int c = x; c <= end; ++c) {
            const auto span = spanAt(c);
            top = std::min(top, span.first);
            bottom = std::max(bottom, span.second);
        }
        const QRect run(QPoint(x, top), QPoint(end, bottom));
        // How far the stroke's rows stay inked beyond the run, on one side.
        const auto reach = [&](int from, int step) {
            int n = 0;
            for (int c = from; c >= line.left() && c <= line.right(); c += step, ++n) {
                bool any = false;
                for (int y = run.top(); y <= run.bottom() && !any; ++y) any = inkAt(ink, c, y);
                if (!any) break;
            }
            return n;
        };
        const bool underline = 2 * reach(x - 1, -1) > line.height() && 2 * reach(end + 1, 1) > line.height();
        // Flat: a period or a comma is as tall as it is wide. A stroke of a pixel and a half, as small
        // text draws one, spreads over two rows: then it must reach below the baseline, as the foot
        // of an "L" running into the next letter does not.
        const bool flat = run.width() >= 3 * run.height() || (2 * run.width() >= 5 * run.height() && bottom > low + 1);
        // Touching a letter on one side only, it must reach below where the letters end, as an
        // underscore does and the foot of an "L" at the end of a word does not.
        const bool sided = before == after || bottom > low + 1;
        if (run.width() >= shortest && flat && !underline) found.append({run, before == tall && after == tall, sided});
        x = end + 1;
    }
    return found;
}

} // namespace

QList<Line> findLines(const TextPreparation::InkMap &ink) {
    const std::vector<Piece> pieces = piecesOf(ink);
    const size_t n = pieces.size();
    Groups groups(n);
    for (size_t i = 0; i < n; ++i) {
        // A small piece may be a mark spaced as the letters of its line are (see sideBySide).
        const int height = pieces[i].box.height();
        const int reach = pieces[i].box.right() + 2 * std::max(height, height <= kTallestMark ? 5 * kTallestMark : 3);
        for (size_t j = i + 1; j < n && pieces[j].box.left() <= reach; ++j) {
            if (sideBySide(pieces[i], pieces[j])) groups.join(i, j);
        }
    }
    std::vector<QRect> box(n);
    std::vector<int> members(n, 0);
    std::vector<qint32> ground(n, kNoGround);
    for (size_t i = 0; i < n; ++i) {
        const size_t g = groups.find(i);
        box[g] |= pieces[i].box;
        ++members[g];
        if (pieces[i].ground >= 0) ground[g] = pieces[i].ground;
    }
    std::vector<size_t> joined;
    for (size_t g = 0; g < n; ++g) {
        if (members[g] > 1) joined.push_back(g);
    }
    // Accents, dots, underscores and punctuation a line's outline kept apart: a lone piece at most
    // six tenths of a line's height joins the line it sits over, under or beside (a gap of half the
    // line's height at most), the nearest one.
    for (size_t i = 0; i < n; ++i) {
        const size_t g = groups.find(i);
        if (members[g] != 1 || pieces[i].ground == kBetweenGrounds) continue;
        const QRect &p = pieces[i].box;
        size_t best = n;
        int bestDistance = INT_MAX;
        for (const size_t h : joined) {
            if (pieces[i].ground >= 0 && ground[h] >= 0 && ground[h] != pieces[i].ground) continue;
            const QRect &line = box[h];
            if (p.height() * 10 > line.height() * 6) continue;
            const int dx = std::max({0, line.left() - p.right(), p.left() - line.right()});
            const int dy = std::max({0, line.top() - p.bottom(), p.top() - line.bottom()});
            const bool overOrUnder = dx <= 1 && dy * 10 <= line.height() * 6;
            const bool beside = dy == 0 && dx * 2 <= line.height();
            if ((overOrUnder || beside) && dx + dy < bestDistance) {
                bestDistance = dx + dy;
                best = h;
            }
        }
        if (best == n) continue;
        box[best] |= p;
        members[g] = 0;
        box[g] = {};
    }
    QList<Line> lines;
    for (size_t g = 0; g < n; ++g) {
        // Specks, lone dots, borders and rings are no text.
        const bool frame = members[g] == 1 && pieces[g].ground == kBetweenGrounds;
        if (members[g] > 0 && box[g].height() >= 4 && box[g].width() >= 2 && !frame)
            lines.append({box[g], underscoresOf(ink, box[g])});
    }
    std::sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        return a.box.top() != b.box.top() ? a.box.top() < b.box.top() : a.box.left() < b.box.left();
    });
    return lines;
}

} // namespace TextLayout
