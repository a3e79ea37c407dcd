#include "core/LineRepair.h"

#include <algorithm>
#include <vector>

namespace LineRepair {

namespace {

using Glyph = platform::TextLine::Glyph;

// Replaces text[from, to) with `with`, moving the glyphs after it.
void replaceText(platform::TextLine &line, qsizetype from, qsizetype to, QChar with) {
    line.text.replace(from, to - from, with);
    const qsizetype shift = 1 - (to - from);
    for (Glyph &g : line.glyphs) {
        if (g.start >= to) g.start += shift;
    }
}

qreal median(std::vector<qreal> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

bool isDigitGlyph(const platform::TextLine &line, const Glyph &g) {
    return g.length == 1 && line.text.at(g.start).isDigit();
}

} // namespace

void restoreUnderscores(platform::TextLine &line, const QList<QRect> &underscores) {
    for (const QRect &u : underscores) {
        const qreal x = QRectF(u).center().x();
        const auto read = std::find_if(line.glyphs.begin(), line.glyphs.end(), [&](const Glyph &g) {
            return line.text.mid(g.start, g.length) == QLatin1String("_") && g.box.left() - 2 <= x &&
                   x <= g.box.right() + 2;
        });
        if (read != line.glyphs.end()) continue;
        // The engine's glyph boxes are rough: the space read nearest to the stroke is the one it
        // stands for, if it is within a line's height; else it goes between the glyphs around it.
        qsizetype index = -1;
        qreal nearest = line.box.height();
        for (qsizetype i = 1; i < line.glyphs.size(); ++i) {
            const Glyph &before = line.glyphs[i - 1], &after = line.glyphs[i];
            if (after.start == before.start + before.length) continue;
            const qreal distance = std::abs((before.box.right() + after.box.left()) / 2 - x);
            if (distance <= nearest) {
                nearest = distance;
                index = i;
            }
        }
        if (index < 0) {
            const auto after = std::find_if(line.glyphs.begin(), line.glyphs.end(),
                                            [&](const Glyph &g) { return g.box.center().x() > x; });
            if (after == line.glyphs.begin() || after == line.glyphs.end()) continue;
            index = after - line.glyphs.begin();
        }
        const Glyph &before = line.glyphs[index - 1];
        const qsizetype from = before.start + before.length, to = line.glyphs[index].start;
        if (to < from || !line.text.mid(from, to - from).trimmed().isEmpty()) continue;
        replaceText(line, from, to, QLatin1Char('_'));
        line.glyphs.insert(index, Glyph{from, 1, QRectF(u)});
    }
}

void splitDigitGroups(platform::TextLine &line) {
    for (qsizetype end = line.glyphs.size(); end > 0;) {
        // The run of digits, each right after the other in the text, that ends at `end`.
        qsizetype begin = end - 1;
        if (!isDigitGlyph(line, line.glyphs[begin])) {
            end = begin;
            continue;
        }
        while (begin > 0 && isDigitGlyph(line, line.glyphs[begin - 1]) &&
               line.glyphs[begin - 1].start + 1 == line.glyphs[begin].start)
            --begin;
        if (end - begin >= 5) {
            std::vector<qreal> gaps, heights;
            for (qsizetype i = begin; i < end; ++i) {
                heights.push_back(line.glyphs[i].box.height());
                if (i + 1 < end) gaps.push_back(line.glyphs[i + 1].box.left() - line.glyphs[i].box.right());
            }
            const qreal usual = median(gaps), wide = std::max(2 * usual + 1, usual + 0.3 * median(heights));
            for (qsizetype i = end - 1; i > begin; --i) {
                if (line.glyphs[i].box.left() - line.glyphs[i - 1].box.right() < wide) continue;
                const qsizetype at = line.glyphs[i].start;
                line.text.insert(at, QLatin1Char(' '));
                for (Glyph &g : line.glyphs) {
                    if (g.start >= at) ++g.start;
                }
            }
        }
        end = begin;
    }
}

} // namespace LineRepair
