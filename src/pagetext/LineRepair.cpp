#include "pagetext/LineRepair.h"

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

// Removes text[from, to) and the glyphs that start in it, moving those after it.
void removeText(platform::TextLine &line, qsizetype from, qsizetype to) {
    line.text.remove(from, to - from);
    line.glyphs.removeIf([&](const Glyph &g) { return g.start >= from && g.start < to; });
    for (Glyph &g : line.glyphs) {
        if (g.start >= to) g.start -= to - from;
    }
}

// The underscore read as glyph `index` lies on `stroke`, whose ink runs into the letters either side:
// nothing stands between it and them. A space read beside it goes, and so does a period, comma or
// hyphen read beside it whose box lies mostly over the stroke, as the engine reads the stroke's end.
void joinAround(platform::TextLine &line, qsizetype index, const QRect &stroke) {
    const auto onStroke = [&](const Glyph &g) {
        static const QString marks = QStringLiteral(".,-");
        return g.length == 1 && marks.contains(line.text.at(g.start)) && g.box.center().x() > stroke.left() - 1 &&
               g.box.center().x() < stroke.right() + 1;
    };
    // After it first, so that the positions before it stay valid.
    if (index + 1 < line.glyphs.size()) {
        const qsizetype from = line.glyphs[index].start + line.glyphs[index].length;
        qsizetype to = line.glyphs[index + 1].start;
        if (line.text.mid(from, to - from).trimmed().isEmpty()) {
            if (onStroke(line.glyphs[index + 1]) && index + 2 < line.glyphs.size()) {
                const qsizetype next = line.glyphs[index + 2].start;
                if (line.text.mid(to + 1, next - to - 1).trimmed().isEmpty()) to = next;
            }
            if (to > from) removeText(line, from, to);
        }
    }
    if (index > 0) {
        qsizetype from = line.glyphs[index - 1].start + line.glyphs[index - 1].length;
        const qsizetype to = line.glyphs[index].start;
        if (line.text.mid(from, to - from).trimmed().isEmpty()) {
            if (onStroke(line.glyphs[index - 1]) && index > 1) {
                const qsizetype previous = line.glyphs[index - 2].start + line.glyphs[index - 2].length;
                if (line.text.mid(previous, from - 1 - previous).trimmed().isEmpty()) from = previous;
            }
            if (to > from) removeText(line, from, to);
        }
    }
}

// Whether the engine read a stroke as an underscore's ink reads: nothing, or only marks (".", ",", "-",
// "·") over it, which then go, being the stroke's own ink; a letter read over it may own it as its foot.
bool readAsMarks(platform::TextLine &line, const QRect &stroke) {
    static const QString marks = QStringLiteral(".,-_") + QChar(0x00b7);
    const auto over = [&](const Glyph &g) {
        return g.box.center().x() >= stroke.left() && g.box.center().x() <= stroke.right() + 1;
    };
    for (const Glyph &g : line.glyphs) {
        if (over(g) && !(g.length == 1 && marks.contains(line.text.at(g.start)))) return false;
    }
    // From the right, so that the positions of the marks not yet removed stay valid.
    for (qsizetype i = line.glyphs.size() - 1; i >= 0; --i) {
        const Glyph &g = line.glyphs[i];
        if (over(g) && line.text.at(g.start) != QLatin1Char('_')) removeText(line, g.start, g.start + g.length);
    }
    return true;
}

} // namespace

void restoreUnderscores(platform::TextLine &line, const QList<TextLayout::Underscore> &underscores) {
    for (const TextLayout::Underscore &stroke : underscores) {
        const QRect &u = stroke.box;
        const qreal x = QRectF(u).center().x();
        if (!readAsMarks(line, u) && !stroke.sure) continue;
        const auto read = std::find_if(line.glyphs.begin(), line.glyphs.end(), [&](const Glyph &g) {
            return line.text.mid(g.start, g.length) == QLatin1String("_") && g.box.left() - 2 <= x &&
                   x <= g.box.right() + 2;
        });
        if (read != line.glyphs.end()) {
            if (stroke.joined) joinAround(line, read - line.glyphs.begin(), u);
            continue;
        }
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
            // A stroke inside a letter read there is that letter's foot, as of an "L" or a "k"
            // touching the next letter.
            const auto inside = [&](const Glyph &g) { return g.box.left() < x && x < g.box.right(); };
            if (inside(*after) || inside(*(after - 1))) continue;
            index = after - line.glyphs.begin();
        }
        const Glyph &before = line.glyphs[index - 1];
        const qsizetype from = before.start + before.length, to = line.glyphs[index].start;
        if (to < from || !line.text.mid(from, to - from).trimmed().isEmpty()) continue;
        replaceText(line, from, to, QLatin1Char('_'));
        line.glyphs.insert(index, Glyph{from, 1, QRectF(u)});
        if (stroke.joined) joinAround(line, index, u);
    }
}

void joinUnderscores(platform::TextLine &line) {
    std::vector<qreal> gaps;
    for (qsizetype i = 1; i < line.glyphs.size(); ++i) {
        const Glyph &before = line.glyphs[i - 1], &after = line.glyphs[i];
        if (after.start == before.start + before.length) gaps.push_back(after.box.left() - before.box.right());
    }
    if (gaps.empty()) return;
    const qreal widest = median(gaps) + 0.12 * line.box.height();
    const auto underscore = [&](const Glyph &g) { return line.text.mid(g.start, g.length) == QLatin1String("_"); };
    // From the right, so that the positions of the glyphs not yet looked at stay valid.
    for (qsizetype i = line.glyphs.size() - 1; i > 0; --i) {
        const Glyph &before = line.glyphs[i - 1], &after = line.glyphs[i];
        const qsizetype from = before.start + before.length, to = after.start;
        if (to <= from || !line.text.mid(from, to - from).trimmed().isEmpty()) continue;
        if ((underscore(before) || underscore(after)) && after.box.left() - before.box.right() < widest)
            removeText(line, from, to);
    }
}

void splitUnits(platform::TextLine &line) {
    std::vector<qreal> gaps, heights;
    for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
        const Glyph &g = line.glyphs[i];
        if (isDigitGlyph(line, g)) heights.push_back(g.box.height());
        if (i > 0 && g.start == line.glyphs[i - 1].start + line.glyphs[i - 1].length)
            gaps.push_back(g.box.left() - line.glyphs[i - 1].box.right());
    }
    if (gaps.empty() || heights.empty()) return;
    // A short line has too few gaps for a median: the narrowest stands for the letters'.
    const qreal usual = gaps.size() >= 3 ? median(gaps) : *std::min_element(gaps.begin(), gaps.end());
    const qreal wide = std::max(2 * usual + 1, usual + 0.3 * median(heights));
    for (qsizetype i = line.glyphs.size() - 1; i > 0; --i) {
        const Glyph &before = line.glyphs[i - 1], &after = line.glyphs[i];
        if (!isDigitGlyph(line, before) || after.length != 1 || !line.text.at(after.start).isLetter()) continue;
        if (after.start != before.start + 1 || after.box.left() - before.box.right() < wide) continue;
        const qsizetype at = after.start;
        line.text.insert(at, QLatin1Char(' '));
        for (Glyph &g : line.glyphs) {
            if (g.start >= at) ++g.start;
        }
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
