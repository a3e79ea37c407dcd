#include "pagetext/PageText.h"

#include "pagetext/LineRepair.h"
#include "pagetext/LineSieve.h"
#include "pagetext/ReadingOrder.h"
#include "pagetext/SymbolRepair.h"
#include "pagetext/WordRecheck.h"

#include <algorithm>

namespace PageText {

namespace {

// Maps boxes from the pixels of an image read to those of the image given: scaled by `sx` and `sy`,
// then moved by `origin`.
void mapBoxes(QList<Line> &lines, QPointF origin, qreal sx, qreal sy) {
    const auto map = [&](const QRectF &r) {
        return QRectF(origin.x() + r.x() * sx, origin.y() + r.y() * sy, r.width() * sx, r.height() * sy);
    };
    for (Line &line : lines) {
        line.box = map(line.box);
        for (Line::Glyph &g : line.glyphs) g.box = map(g.box);
        for (Line::Word &w : line.words) w.box = map(w.box);
    }
}

bool isBlank(const Line &line) {
    return std::none_of(line.text.begin(), line.text.end(), [](QChar c) { return c.isPrint() && !c.isSpace(); });
}

void sortInReadingOrder(QList<Line> &lines) {
    QList<Line> sorted;
    sorted.reserve(lines.size());
    for (const QList<qsizetype> &row : ReadingOrder::rowsOf(lines)) {
        for (const qsizetype i : row) sorted.append(std::move(lines[i]));
    }
    lines = std::move(sorted);
}

} // namespace

std::optional<Page> layOut(const QImage &image) {
    if (!TextPreparation::hasContrast(image)) return Page{};
    Page page{TextPreparation::flattened(image), {}};
    if (page.flat.isNull()) return std::nullopt;
    // The ink map (several bytes a pixel) goes before the lines are read.
    const TextPreparation::InkMap ink = TextPreparation::inkOf(page.flat);
    page.lines = TextLayout::findLines(ink);
    LineSieve::dropShapes(page.lines, ink);
    return page;
}

LineImage pictureOf(const QImage &flat, const FoundLine &found) {
    return TextPreparation::lineImage(flat, found.box, TextPreparation::magnificationFor(found.box.height()));
}

void recheck(platform::TextEngine &engine, const LineImage &image, platform::TextReadResult &read,
             const platform::CancelCheck &stop) {
    for (Line &line : read.lines) {
        const WordRecheck::Strip strip = WordRecheck::stripOf(image.image, line);
        if (strip.image.isNull()) continue;
        const platform::TextReadResult again = engine.rereadLine(strip.image, image.scale, stop);
        if (again.stopped) {
            read.stopped = true;
            return;
        }
        WordRecheck::merge(line, strip, again.lines);
    }
}

void correctSymbols(QList<Line> &lines, const LineImage &image) {
    for (Line &line : lines) SymbolRepair::correct(line, image.image, image.scale);
}

QList<Line> placed(QList<Line> read, const LineImage &image, const FoundLine &found) {
    mapBoxes(read, image.origin, 1.0 / image.scale, 1.0 / image.scale);
    for (Line &line : read) {
        LineRepair::restoreUnderscores(line, found.underscores);
        LineRepair::joinUnderscores(line);
        LineRepair::splitDigitGroups(line);
        LineRepair::splitUnits(line);
    }
    return read;
}

QList<Line> arranged(QList<Line> lines, QSize read, QSize shown) {
    lines.removeIf(isBlank);
    LineSieve::dropRereads(lines);
    mapBoxes(lines, {}, qreal(shown.width()) / read.width(), qreal(shown.height()) / read.height());
    sortInReadingOrder(lines);
    return lines;
}

QList<QList<qsizetype>> rowsOf(const QList<Line> &lines) { return ReadingOrder::rowsOf(lines); }

} // namespace PageText
