#include "pagetext/SymbolRepair.h"

#include "pagetext/PixelRegions.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace SymbolRepair {

namespace {

using platform::TextLine;
using Glyph = TextLine::Glyph;

// Pixels at least this dark (of 255) belong to a piece of ink: faint enough to keep a small dot's
// anti-aliased pixels together.
constexpr int kInk = 64;

struct Blob {
    QRect pixels;
    int area = 0;
    // Where its outline crosses half darkness, to a fraction of a pixel: a symbol floats above the
    // baseline by less than a screen pixel in some fonts.
    QRectF edges;
};

// Where a darkness profile (0 to 1 per row or column) leaves half darkness, walking from `inside`
// by `step`: between the centres of the last half-dark entry and the next.
qreal edgeOf(const std::vector<qreal> &profile, int inside, int step) {
    int at = inside;
    while (at + step >= 0 && at + step < int(profile.size()) && profile[size_t(at + step)] >= 0.5) at += step;
    const qreal here = profile[size_t(at)];
    const int next = at + step;
    const qreal beyond = next >= 0 && next < int(profile.size()) ? profile[size_t(next)] : 0;
    const qreal fraction = here > beyond ? std::clamp((here - 0.5) / (here - beyond), 0.0, 1.0) : 0.5;
    return at + 0.5 + step * fraction;
}

std::vector<Blob> blobsOf(const QImage &image) {
    const QImage grey =
        image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
    const int w = grey.width(), h = grey.height();
    if (grey.isNull() || w == 0 || h == 0) return {};
    const auto dark = [&](int x, int y) { return 255 - int(grey.constScanLine(y)[x]); };
    const PixelRegions regions(
        w, h, true, [&](qint32 i) { return dark(i % w, i / w) >= kInk; }, [](qint32, qint32) { return true; });
    std::vector<Blob> blobs(size_t(regions.count()));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const qint32 r = regions.at(size_t(y) * size_t(w) + size_t(x));
            if (r < 0) continue;
            Blob &b = blobs[size_t(r)];
            b.pixels |= QRect(x, y, 1, 1);
            ++b.area;
        }
    }
    for (size_t r = 0; r < blobs.size(); ++r) {
        Blob &b = blobs[r];
        // The darkest pixel of each row and column of the blob and of the ring around it that no
        // other blob takes.
        const QRect around = b.pixels.adjusted(-1, -1, 1, 1).intersected(grey.rect());
        std::vector<qreal> rows(size_t(around.height())), columns(size_t(around.width()));
        for (int y = around.top(); y <= around.bottom(); ++y) {
            for (int x = around.left(); x <= around.right(); ++x) {
                const qint32 owner = regions.at(size_t(y) * size_t(w) + size_t(x));
                if (owner >= 0 && size_t(owner) != r) continue;
                const qreal d = dark(x, y) / 255.0;
                qreal &row = rows[size_t(y - around.top())], &column = columns[size_t(x - around.left())];
                row = std::max(row, d);
                column = std::max(column, d);
            }
        }
        const auto darkest = [](const std::vector<qreal> &p) {
            return int(std::max_element(p.begin(), p.end()) - p.begin());
        };
        const int midRow = darkest(rows), midColumn = darkest(columns);
        const QPointF topLeft(edgeOf(columns, midColumn, -1), edgeOf(rows, midRow, -1));
        const QPointF bottomRight(edgeOf(columns, midColumn, 1), edgeOf(rows, midRow, 1));
        b.edges = QRectF(topLeft, bottomRight).translated(around.topLeft());
    }
    return blobs;
}

QString textOf(const TextLine &line, const Glyph &g) { return line.text.mid(g.start, g.length); }

bool isDigit(const TextLine &line, const Glyph &g) { return g.length == 1 && line.text.at(g.start).isDigit(); }

// The blobs whose middle lies in `box`, largest first.
std::vector<const Blob *> blobsIn(const std::vector<Blob> &blobs, const QRectF &box) {
    std::vector<const Blob *> in;
    for (const Blob &b : blobs) {
        if (box.contains(b.edges.center())) in.push_back(&b);
    }
    std::sort(in.begin(), in.end(), [](const Blob *a, const Blob *b) { return a->area > b->area; });
    return in;
}

qreal median(std::vector<qreal> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Where the line's letters stand and how tall its digits and capitals are, from the largest blob of
// each letter or digit that ends on the baseline.
struct Metrics {
    qreal baseline = 0;
    qreal height = 0;
};

std::optional<Metrics> metricsOf(const TextLine &line, const std::vector<Blob> &blobs) {
    static const QString descending = QStringLiteral("gjpqyQ");
    std::vector<qreal> bottoms, tall, small;
    for (const Glyph &g : line.glyphs) {
        if (g.length != 1) continue;
        const QChar c = line.text.at(g.start);
        if (!c.isLetterOrNumber() || descending.contains(c)) continue;
        const std::vector<const Blob *> in = blobsIn(blobs, g.box);
        if (in.empty()) continue;
        const QRectF &e = in.front()->edges;
        // Small light text runs its letters together through their anti-aliasing: ink reaching well
        // past the glyph is its neighbours' too, and may end on their descenders.
        if (e.width() > 1.5 * g.box.width() + 1) continue;
        bottoms.push_back(e.bottom());
        (c.isDigit() || c.isUpper() || QStringLiteral("bdfhklt").contains(c) ? tall : small).push_back(e.height());
    }
    if (bottoms.empty()) return std::nullopt;
    // Lower-case letters without ascenders are about seven tenths of the capitals' height.
    const qreal height = !tall.empty() ? median(tall) : median(small) / 0.7;
    return Metrics{median(bottoms), height};
}

// A dot: small and about as wide as it is tall, the shape no hyphen, colon or plus has.
bool isDot(const Blob &b, const Metrics &m, qreal scale) {
    const qreal w = b.edges.width(), h = b.edges.height(), slack = 0.5 * scale;
    return std::max(w, h) <= 0.3 * m.height && w <= 1.6 * h + slack && h <= 1.6 * w + slack;
}

// A comma: small, taller than wide, from the baseline or above it down below it, where no digit's ink
// reaches.
bool isComma(const Blob &b, const Metrics &m, qreal scale) {
    const qreal w = b.edges.width(), h = b.edges.height();
    return std::max(w, h) <= 0.45 * m.height && h > w && b.edges.top() <= m.baseline &&
           b.edges.bottom() - m.baseline >= std::max(scale, 0.1 * m.height);
}

qreal riseOf(const Blob &b, const Metrics &m) { return (m.baseline - b.edges.center().y()) / m.height; }

bool halfwayUp(const Blob &b, const Metrics &m) {
    const qreal rise = riseOf(b, m);
    return rise >= 0.2 && rise <= 0.6;
}

bool onBaseline(const Blob &b, const Metrics &m) { return std::abs(m.baseline - b.edges.bottom()) <= 0.12 * m.height; }

// Whether a mark read as `read` is a middle dot: one stands at about half the height of small letters;
// in small print the lower dot of a colon, or a period, may lie a fifth of the way up, and a short
// hyphen is as small as a dot, but still wider than tall.
bool middleDotOver(const QString &read, const Blob &b, const Metrics &m) {
    if (riseOf(b, m) < 0.3 || !halfwayUp(b, m)) return false;
    return read != QLatin1String("-") || b.edges.width() <= 1.5 * b.edges.height();
}

// Replaces text[from, to) with `with`, moving the glyphs and words after it.
void replaceText(TextLine &line, qsizetype from, qsizetype to, const QString &with) {
    line.text.replace(from, to - from, with);
    const qsizetype shift = with.size() - (to - from);
    for (Glyph &g : line.glyphs) {
        if (g.start >= to) g.start += shift;
    }
    for (TextLine::Word &w : line.words) {
        if (w.start >= to) w.start += shift;
        else if (w.start + w.length >= to) w.length += shift;
    }
}

// Puts a space between the middle dot of glyph `i` and a glyph the engine read right beside it
// where their ink lies a word space apart ("1· Passo").
void separateDot(TextLine &line, qsizetype i, const QRectF &dot, const Metrics &m) {
    const qreal wordSpace = 0.25 * m.height;
    if (i + 1 < line.glyphs.size()) {
        const Glyph &dotGlyph = line.glyphs[i], &after = line.glyphs[i + 1];
        const qsizetype end = dotGlyph.start + dotGlyph.length;
        if (after.start == end && after.box.left() - dot.right() >= wordSpace)
            replaceText(line, end, end, QStringLiteral(" "));
    }
    if (i > 0) {
        const Glyph &before = line.glyphs[i - 1];
        const qsizetype at = line.glyphs[i].start;
        if (before.start + before.length == at && dot.left() - before.box.right() >= wordSpace)
            replaceText(line, at, at, QStringLiteral(" "));
    }
}

// Ink the engine read as a symbol of a like outline.
void correctMisread(TextLine &line, const std::vector<Blob> &blobs, const Metrics &m, qreal scale) {
    static const QStringList dotLike = {QStringLiteral("-"), QStringLiteral("."), QStringLiteral(":"),
                                        QStringLiteral("+"), QStringLiteral("*")};
    const QString middleDot(QChar(0x00b7)), times(QChar(0x00d7));
    for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
        const Glyph &g = line.glyphs[i];
        const QString text = textOf(line, g);
        const std::vector<const Blob *> in = blobsIn(blobs, g.box);
        if (in.empty()) continue;
        const Blob &ink = *in.front();
        if (dotLike.contains(text) && in.size() == 1 && isDot(ink, m, scale) && middleDotOver(text, ink, m)) {
            line.text.replace(g.start, g.length, middleDot);
            separateDot(line, i, ink.edges, m);
            continue;
        }
        const bool x = text.compare(QLatin1String("x"), Qt::CaseInsensitive) == 0;
        if (!x || i == 0 || i + 1 == line.glyphs.size()) continue;
        const Glyph &before = line.glyphs[i - 1], &after = line.glyphs[i + 1];
        if (!isDigit(line, before) || !isDigit(line, after)) continue;
        // Its neighbours' own baseline: the line's may lie on other letters.
        std::vector<qreal> bottoms;
        for (const Glyph *digit : {&before, &after}) {
            const std::vector<const Blob *> own = blobsIn(blobs, digit->box);
            bottoms.push_back(own.empty() ? m.baseline : own.front()->edges.bottom());
        }
        // An "x" stands on the baseline; "×" is centred on the height of "+" and "=", which puts its
        // foot a pixel or more above it.
        const qreal lift = (bottoms[0] + bottoms[1]) / 2 - ink.edges.bottom();
        if (lift >= std::max(0.45 * scale, 0.03 * m.height)) line.text.replace(g.start, g.length, times);
    }
}

// The glyph's own blob: the largest whose middle lies in its box.
const Blob *mainBlob(const std::vector<Blob> &blobs, const Glyph &g) {
    const std::vector<const Blob *> in = blobsIn(blobs, g.box);
    return in.empty() ? nullptr : in.front();
}

// Ink no glyph stands for: a period between digits, a middle dot between words. The engine's box of
// a digit often reaches over a period it dropped, so a dot inside digits' boxes counts as dropped.
void restoreDropped(TextLine &line, const std::vector<Blob> &blobs, const Metrics &m, qreal scale) {
    for (const Blob &b : blobs) {
        const QPointF centre = b.edges.center();
        const bool dot = isDot(b, m, scale), comma = !dot && isComma(b, m, scale);
        if (!dot && !comma) continue;
        bool inDigitsOnly = true, inAny = false;
        for (const Glyph &g : line.glyphs) {
            if (!g.box.contains(centre)) continue;
            inAny = true;
            inDigitsOnly = inDigitsOnly && isDigit(line, g) && mainBlob(blobs, g) != &b;
        }
        const bool period = dot && onBaseline(b, m) && inDigitsOnly, middle = dot && !inAny && halfwayUp(b, m);
        if (!period && !middle && !(comma && inDigitsOnly)) continue;
        // The glyphs either side, by where their own ink lies.
        qsizetype index = 0;
        while (index < line.glyphs.size()) {
            const Blob *own = mainBlob(blobs, line.glyphs[index]);
            if ((own ? own->edges.center().x() : line.glyphs[index].box.center().x()) > centre.x()) break;
            ++index;
        }
        if (index == 0 || index == line.glyphs.size()) continue;
        const Glyph &before = line.glyphs[index - 1], &after = line.glyphs[index];
        const qsizetype from = before.start + before.length, to = after.start;
        if (to < from) continue;
        const QString between = line.text.mid(from, to - from);
        QString with;
        if ((period || comma) && between.isEmpty() && isDigit(line, before) && isDigit(line, after))
            with = comma ? QStringLiteral(",") : QStringLiteral(".");
        else if (middle && !between.isEmpty() && between.trimmed().isEmpty())
            with = QStringLiteral(" ") + QChar(0x00b7) + QStringLiteral(" ");
        if (with.isEmpty()) continue;
        replaceText(line, from, to, with);
        line.glyphs.insert(index, Glyph{from + (with.size() == 1 ? 0 : 1), 1, b.edges});
    }
}

// A comma between two digits read side by side whose ink runs into one of them, as small light text
// on a dark ground draws it: ink below the baseline, where no digit reaches, between the digits'
// middles and no wider than a comma.
void restoreJoinedCommas(TextLine &line, const QImage &grey, const Metrics &m, qreal scale) {
    const int top = int(std::ceil(m.baseline + std::max(scale, 0.12 * m.height)));
    const int bottom = std::min(grey.height() - 1, int(m.baseline + 0.45 * m.height));
    if (top > bottom) return;
    // From the right, so that the positions of the pairs not yet looked at stay valid.
    for (qsizetype i = line.glyphs.size() - 1; i > 0; --i) {
        const Glyph &before = line.glyphs[i - 1], &after = line.glyphs[i];
        if (!isDigit(line, before) || !isDigit(line, after) || after.start != before.start + before.length) continue;
        const int from = std::max(0, int(before.box.center().x())),
                  to = std::min(grey.width() - 1, int(after.box.center().x()));
        int left = -1, right = -1;
        for (int x = from; x <= to; ++x) {
            for (int y = top; y <= bottom; ++y) {
                if (255 - grey.constScanLine(y)[x] < kInk) continue;
                if (left < 0) left = x;
                right = x;
                break;
            }
        }
        // Ink under a digit's middle is the digit's own foot: the baseline lies lower.
        if (left <= from || right >= to || right - left + 1 > 0.3 * m.height) continue;
        replaceText(line, after.start, after.start, QStringLiteral(","));
        line.glyphs.insert(
            i, Glyph{after.start - 1, 1, QRectF(left, m.baseline - scale, right - left + 1, bottom - m.baseline)});
    }
}

// "K" and "k", which the models confuse in small print: the arms of a "K" reach as high as its stem,
// those of a "k" only the height of small letters, some two fifths of its stem lower.
void correctK(TextLine &line, const QImage &grey) {
    for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
        const Glyph &g = line.glyphs[i];
        const QString text = textOf(line, g);
        if (text != QLatin1String("k") && text != QLatin1String("K")) continue;
        // Only its own columns: the engine's boxes of letters that touch overlap.
        QRect box = g.box.toAlignedRect().intersected(grey.rect());
        if (i > 0) box.setLeft(std::max(box.left(), int(std::floor(line.glyphs[i - 1].box.right())) + 1));
        if (i + 1 < line.glyphs.size())
            box.setRight(std::min(box.right(), int(std::ceil(line.glyphs[i + 1].box.left())) - 1));
        if (box.width() < 3 || box.height() < 6) continue;
        const int third = std::max(1, box.width() / 3);
        // The first and last rows with ink in columns [from, to] of the box.
        const auto rowsIn = [&](int from, int to) {
            int first = -1, last = -1;
            for (int y = box.top(); y <= box.bottom(); ++y) {
                const uchar *row = grey.constScanLine(y);
                for (int x = from; x <= to; ++x) {
                    if (255 - row[x] < kInk) continue;
                    if (first < 0) first = y;
                    last = y;
                    break;
                }
            }
            return std::make_pair(first, last);
        };
        const auto stem = rowsIn(box.left(), box.left() + third - 1);
        const auto arms = rowsIn(box.right() - third + 1, box.right());
        if (stem.first < 0 || arms.first < 0 || stem.second <= stem.first) continue;
        const qreal drop = qreal(arms.first - stem.first) / (stem.second - stem.first + 1);
        // Ink above the stem's top is another letter's, reached by a loose box: nothing is told then.
        if (drop >= -0.05 && drop <= 0.08) line.text[g.start] = QLatin1Char('K');
        else if (drop >= 0.15) line.text[g.start] = QLatin1Char('k');
    }
}

} // namespace

void correct(TextLine &line, const QImage &image, qreal scale) {
    // Converted once: every repair below reads grey levels.
    const QImage grey =
        image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
    correctK(line, grey);
    if (line.glyphs.isEmpty()) return;
    const std::vector<Blob> blobs = blobsOf(grey);
    const std::optional<Metrics> metrics = metricsOf(line, blobs);
    if (!metrics || metrics->height <= 0) return;
    correctMisread(line, blobs, *metrics, std::max<qreal>(1, scale));
    restoreDropped(line, blobs, *metrics, std::max<qreal>(1, scale));
    restoreJoinedCommas(line, grey, *metrics, std::max<qreal>(1, scale));
}

} // namespace SymbolRepair
