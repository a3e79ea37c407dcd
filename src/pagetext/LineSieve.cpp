#include "pagetext/LineSieve.h"

#include <algorithm>
#include <vector>

namespace LineSieve {

namespace {

template <typename Box>
qreal medianHeight(const QList<Box> &boxes) {
    std::vector<qreal> heights;
    for (const auto &b : boxes) heights.push_back(qreal(b.box.height()));
    if (heights.empty()) return 0;
    std::nth_element(heights.begin(), heights.begin() + qsizetype(heights.size() / 2), heights.end());
    return heights[heights.size() / 2];
}

qreal areaOf(const QRectF &r) { return r.isEmpty() ? 0 : r.width() * r.height(); }

int lettersOf(const QString &text) {
    return int(std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); }));
}

// Share of `box` that is ink.
qreal inkShare(const TextPreparation::InkMap &ink, const QRect &box) {
    const QRect r = box.intersected(QRect(0, 0, ink.width, ink.height));
    if (r.isEmpty()) return 0;
    qsizetype n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *row = ink.ink.data() + size_t(y) * size_t(ink.width);
        for (int x = r.left(); x <= r.right(); ++x) n += row[x] ? 1 : 0;
    }
    return qreal(n) / (qreal(r.width()) * r.height());
}

// Share of `box` that its largest piece of one flat colour covers. A knob, bullet or icon is filled
// with one colour; small anti-aliased text covers most of its box too ("8" at 10 pixels), but in
// dozens of shades, none of them more than a fifth of it.
qreal solidShare(const TextPreparation::InkMap &ink, const QRect &box) {
    const QRect r = box.intersected(QRect(0, 0, ink.width, ink.height));
    if (r.isEmpty()) return 0;
    std::vector<qint32> regions;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const size_t row = size_t(y) * size_t(ink.width);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (ink.ink[row + size_t(x)]) regions.push_back(ink.region[row + size_t(x)]);
        }
    }
    std::sort(regions.begin(), regions.end());
    qsizetype largest = 0;
    for (auto it = regions.begin(); it != regions.end();) {
        const auto end = std::upper_bound(it, regions.end(), *it);
        largest = std::max<qsizetype>(largest, end - it);
        it = end;
    }
    return qreal(largest) / (qreal(r.width()) * r.height());
}

} // namespace

void dropShapes(QList<TextLayout::Line> &found, const TextPreparation::InkMap &ink) {
    const qreal typical = medianHeight(found);
    found.removeIf([&](const TextLayout::Line &line) {
        const QRect &b = line.box;
        // One square mark is no text when it is solid (most of a glyph's box is paper, and what is not
        // is no single colour) or taller than the page's lines: a knob, a ring, an icon.
        const bool square = 4 * b.width() >= 3 * b.height() && 3 * b.width() <= 4 * b.height();
        if (square && b.height() >= 6 && (4 * b.height() >= 5 * typical || solidShare(ink, b) >= 0.35)) return true;
        // Nor is a short piece hollower than any letter: a ring or the half of one (a switch's knob, a
        // radio button), a piece of an outline.
        if (b.width() <= 3 * b.height() && b.height() >= 6 && inkShare(ink, b) < 0.2) return true;
        return 3 * b.width() <= b.height() && b.height() >= 2 * typical;
    });
}

void dropRereads(QList<platform::TextLine> &lines) {
    const qreal typical = medianHeight(lines);
    std::vector<bool> drop(size_t(lines.size()), false);
    for (qsizetype o = 0; o < lines.size(); ++o) {
        const platform::TextLine &outer = lines[o];
        // The lines lying mostly inside this one (the later of two equal boxes counts as inside).
        QList<qsizetype> inside;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i == o || drop[size_t(i)]) continue;
            const QRectF &b = lines[i].box;
            const bool smaller = areaOf(b) < areaOf(outer.box) || (areaOf(b) == areaOf(outer.box) && i > o);
            if (smaller && 5 * areaOf(b.intersected(outer.box)) >= 3 * areaOf(b)) inside.append(i);
        }
        if (inside.isEmpty() || drop[size_t(o)]) continue;
        // Letters of this line the lines inside read too.
        QStringList words = outer.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        int repeated = 0;
        for (const qsizetype i : inside) {
            for (const QString &w : lines[i].text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (words.removeOne(w)) repeated += lettersOf(w);
            }
        }
        if (2 * repeated >= lettersOf(outer.text) && repeated > 0) {
            drop[size_t(o)] = true;
        } else {
            for (const qsizetype i : inside) drop[size_t(i)] = true;
        }
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const platform::TextLine &l = lines[i];
        const qsizetype shown = std::count_if(l.text.begin(), l.text.end(), [](QChar c) { return !c.isSpace(); });
        if (shown <= 2 && l.box.height() < 0.45 * typical) drop[size_t(i)] = true;
    }
    qsizetype i = 0;
    lines.removeIf([&](const platform::TextLine &) { return drop[size_t(i++)]; });
}

} // namespace LineSieve
