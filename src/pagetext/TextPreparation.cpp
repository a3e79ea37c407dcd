#include "pagetext/TextPreparation.h"

#include "pagetext/PixelRegions.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace TextPreparation {

namespace {

// Two colours closer than this on every channel belong to one flat region: screens paint flat fills
// and smooth gradients, whose neighbouring pixels differ by a step or two, while the edge of a glyph
// jumps by tens.
constexpr int kSameColour = 4;

bool similar(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= kSameColour && std::abs(qGreen(a) - qGreen(b)) <= kSameColour &&
           std::abs(qBlue(a) - qBlue(b)) <= kSameColour;
}

// How far apart two colours look, 0 to about 255: luminance-weighted distance in RGB, so white on
// blue, red on green and grey on white all count.
int colourDistance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return int(std::sqrt(0.30 * dr * dr + 0.59 * dg * dg + 0.11 * db * db));
}

// City-block distance of every pixel to the nearest pixel outside its region, capped at 255.
std::vector<quint8> insideDistance(const PixelRegions &regions, int w, int h) {
    std::vector<quint8> d(regions.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const qint32 l = regions.at(i);
            const bool edge = x == 0 || y == 0 || regions.at(i - 1) != l || regions.at(i - size_t(w)) != l;
            d[i] = edge ? 0 : quint8(std::min<int>(255, std::min(d[i - 1], d[i - size_t(w)]) + 1));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        for (int x = w - 1; x >= 0; --x) {
            const size_t i = size_t(y) * w + x;
            const qint32 l = regions.at(i);
            const bool edge = x == w - 1 || y == h - 1 || regions.at(i + 1) != l || regions.at(i + size_t(w)) != l;
            d[i] = quint8(std::min<int>(d[i], edge ? 0 : std::min(d[i + 1], d[i + size_t(w)]) + 1));
        }
    }
    return d;
}

struct RegionShape {
    quint32 area = 0;
    quint8 depth = 0; // the largest distance of one of its pixels to its edge
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    QRgb colour = 0; // of its first pixel
};

// A region is ground when something of it lies three pixels from its edge and it is not a speck:
// fills, panels, buttons and badges are; the strokes of text are not (the strokes of very large bold
// text can be, and then only their outline is ink, which still places the line).
bool isGround(const RegionShape &r) { return r.depth >= 3 && r.area >= 300; }

// A smaller patch of a fill's colour is that fill cut off by text: on rows as tall as their text
// (striped tables and logs) the letters of three rows meet across a row's colour and leave its margin
// and the gaps between words apart. Taken for ink, a margin joins every row's first letters into one
// piece; it is no ink, nor a fill text is placed by (counters of letters can be such patches too).
bool isCutOffFill(const RegionShape &r, const std::vector<QRgb> &fills) {
    return r.depth >= 2 && std::any_of(fills.begin(), fills.end(), [&](QRgb f) { return similar(f, r.colour); });
}

// A rule: a long line a few pixels thick (field borders, separators, frames). Left in, it reads as
// "|" or "[" beside the text it frames.
bool isRule(const QRect &box, quint32 area) {
    return std::max(box.width(), box.height()) >= 40 && area <= quint32(3 * (box.width() + box.height()));
}

// A table's grid is one region of many rules crossing: too much of it for a rule, but it is no
// thicker than one and nearly all of it lies on long straight runs, which no glyph of text has.
constexpr int kGridRun = 20;
bool mayBeGrid(const RegionShape &r) {
    const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    return r.depth <= 1 && std::max(w, h) >= 40 && r.area > quint32(3 * (w + h));
}

// How many pixels of each region that may be a grid lie on a straight run of at least kGridRun of its
// pixels, across or down.
std::vector<quint32> pixelsOnRuns(const PixelRegions &regions, const std::vector<quint8> &candidate, int w, int h) {
    std::vector<quint32> count(candidate.size());
    std::vector<quint8> onRun(regions.size());
    const auto scan = [&](int lines, int length, auto index) {
        for (int a = 0; a < lines; ++a) {
            for (int b = 0; b < length;) {
                const qint32 l = regions.at(index(a, b));
                int end = b + 1;
                while (end < length && regions.at(index(a, end)) == l) ++end;
                if (candidate[size_t(l)] && end - b >= kGridRun) {
                    for (int c = b; c < end; ++c) onRun[index(a, c)] = 1;
                }
                b = end;
            }
        }
    };
    scan(h, w, [w](int y, int x) { return size_t(y) * size_t(w) + size_t(x); });
    scan(w, h, [w](int x, int y) { return size_t(y) * size_t(w) + size_t(x); });
    for (size_t i = 0; i < onRun.size(); ++i) count[size_t(regions.at(i))] += onRun[i];
    return count;
}

// The colour around `area`: the most common one, in shades of 8 levels, on a ring three pixels wide
// just outside it, averaged over its shade. Text boxes hug their ink, so the ring holds the ground
// the line lies on, be it flat or a gradient.
QRgb groundAround(const QImage &flat, const QRect &area) {
    const QRect outer = area.adjusted(-3, -3, 3, 3).intersected(flat.rect());
    struct Shade {
        int count = 0;
        qint64 r = 0, g = 0, b = 0;
    };
    QHash<int, Shade> shades;
    for (int y = outer.top(); y <= outer.bottom(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(flat.constScanLine(y));
        for (int x = outer.left(); x <= outer.right(); ++x) {
            if (area.contains(x, y)) continue;
            const QRgb c = row[x];
            Shade &s = shades[(qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3];
            ++s.count;
            s.r += qRed(c);
            s.g += qGreen(c);
            s.b += qBlue(c);
        }
    }
    const Shade *best = nullptr;
    for (auto it = shades.cbegin(); it != shades.cend(); ++it) {
        if (!best || it.value().count > best->count) best = &it.value();
    }
    if (!best) return 0xffffff;
    return qRgb(int(best->r / best->count), int(best->g / best->count), int(best->b / best->count));
}

} // namespace

bool hasContrast(const QImage &image) {
    // Darkest and lightest pixels closer than this hold no readable text. Every fourth row and every
    // other column are plenty: text strokes span several rows and its lines many columns.
    constexpr int kMinimumContrast = 24;
    const QImage argb = image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int lo = 255 * 1000, hi = 0;
    for (int y = 0; y < argb.height(); y += 4) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); x += 2) {
            const QRgb p = row[x];
            // Over white, as flattened() does; grey in thousandths.
            const int paper = 255 - qAlpha(p);
            const int grey = 299 * (qRed(p) + paper) + 587 * (qGreen(p) + paper) + 114 * (qBlue(p) + paper);
            lo = std::min(lo, grey);
            hi = std::max(hi, grey);
        }
        if (hi - lo >= kMinimumContrast * 1000) return true;
    }
    return false;
}

QImage flattened(const QImage &image) {
    if (image.isNull()) return {};
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull()) return flat;
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, image);
    return flat;
}

InkMap inkOf(const QImage &flat) {
    const int w = flat.width(), h = flat.height();
    const size_t stride = size_t(flat.bytesPerLine() / 4);
    const QRgb *pixels = reinterpret_cast<const QRgb *>(flat.constBits());
    const auto colour = [&](qint32 i) { return pixels[size_t(i / w) * stride + size_t(i % w)]; };
    PixelRegions regions(
        w, h, false, [](qint32) { return true; }, [&](qint32 a, qint32 b) { return similar(colour(a), colour(b)); });
    const std::vector<quint8> inside = insideDistance(regions, w, h);
    std::vector<RegionShape> shapes(size_t(regions.count()));
    for (size_t i = 0; i < regions.size(); ++i) {
        RegionShape &r = shapes[size_t(regions.at(i))];
        const int x = int(i % size_t(w)), y = int(i / size_t(w));
        if (r.area == 0) r.colour = colour(qint32(i));
        ++r.area;
        r.depth = std::max(r.depth, inside[i]);
        r.left = std::min(r.left, x);
        r.right = std::max(r.right, x);
        r.top = std::min(r.top, y);
        r.bottom = std::max(r.bottom, y);
    }
    InkMap map{w,
               h,
               std::vector<quint8>(regions.size()),
               {},
               std::vector<quint8>(shapes.size()),
               std::vector<quint8>(shapes.size(), InkMap::kNoColour)};
    std::vector<quint8> gridLike(shapes.size());
    for (size_t r = 0; r < shapes.size(); ++r) gridLike[r] = mayBeGrid(shapes[r]);
    const bool anyGrid = std::find(gridLike.begin(), gridLike.end(), 1) != gridLike.end();
    const std::vector<quint32> onRuns = anyGrid ? pixelsOnRuns(regions, gridLike, w, h) : std::vector<quint32>();
    // The colours of the fills, a few dozen at most on a screen (a gradient is one fill).
    std::vector<QRgb> fills;
    for (const RegionShape &s : shapes) {
        if (fills.size() < 64 && isGround(s) &&
            std::none_of(fills.begin(), fills.end(), [&](QRgb f) { return similar(f, s.colour); }))
            fills.push_back(s.colour);
    }
    std::vector<quint8> inkRegion(shapes.size());
    for (size_t r = 0; r < shapes.size(); ++r) {
        const RegionShape &s = shapes[r];
        map.ground[r] = isGround(s);
        const bool grid = gridLike[r] && 10 * onRuns[r] >= 9 * s.area;
        const bool rule = isRule(QRect(QPoint(s.left, s.top), QPoint(s.right, s.bottom)), s.area);
        const bool cutOff = !map.ground[r] && isCutOffFill(s, fills);
        inkRegion[r] = !map.ground[r] && !grid && !rule && !cutOff;
        if (map.ground[r] || cutOff) {
            const auto f = std::find_if(fills.begin(), fills.end(), [&](QRgb c) { return similar(c, s.colour); });
            if (f != fills.end()) map.colour[r] = quint8(f - fills.begin());
        }
    }
    for (size_t i = 0; i < regions.size(); ++i) map.ink[i] = inkRegion[size_t(regions.at(i))];
    map.region = regions.takeLabels();
    return map;
}

LineImage lineImage(const QImage &flat, const QRect &area, qreal magnification) {
    const QRect inside = area.intersected(flat.rect());
    const int border = std::max(6, area.height() / 2);
    QImage line(inside.size() + QSize(2 * border, 2 * border), QImage::Format_Grayscale8);
    if (line.isNull() || inside.isEmpty()) return {};
    line.fill(255);
    const QRgb ground = groundAround(flat, inside);
    std::vector<int> ink(size_t(inside.width()) * size_t(inside.height()));
    int strongest = 0;
    for (int y = 0; y < inside.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(flat.constScanLine(inside.top() + y)) + inside.left();
        for (int x = 0; x < inside.width(); ++x) {
            const int d = colourDistance(row[x], ground);
            ink[size_t(y) * size_t(inside.width()) + size_t(x)] = d;
            strongest = std::max(strongest, d);
        }
    }
    // Stretched so that the line's strongest ink is black; faint lines are not blown up into noise.
    const int full = std::max(64, strongest);
    for (int y = 0; y < inside.height(); ++y) {
        uchar *row = line.scanLine(border + y) + border;
        for (int x = 0; x < inside.width(); ++x)
            row[x] = uchar(255 - std::min(255, ink[size_t(y) * size_t(inside.width()) + size_t(x)] * 255 / full));
    }
    const QPointF origin = QPointF(inside.topLeft()) - QPointF(border, border);
    if (magnification <= 1) return {line, origin, 1};
    const QSize size = (QSizeF(line.size()) * magnification).toSize();
    QImage large = line.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (large.isNull()) return {};
    return {large, origin, qreal(size.width()) / line.width()};
}

// The engine scales each line to a fixed height, with a margin of a few pixels that enlarging the
// line makes relatively smaller, so an enlarged line costs more to read (a quarter more at twice the
// size). Measured on the corpus: lines 16 pixels tall or more read as well unenlarged; shorter ones
// lose words unless enlarged twice (1.5 and 1.75 times lose them too).
qreal magnificationFor(int lineHeight) { return lineHeight < 16 ? 2 : 1; }

} // namespace TextPreparation
