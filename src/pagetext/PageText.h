#pragma once

#include "pagetext/TextLayout.h"
#include "pagetext/TextPreparation.h"
#include "platform/TextEngine.h"

#include <QImage>
#include <QList>
#include <QSize>

#include <optional>

// What the text reader does around the engine, for a whole page: finds the lines of a screenshot and
// cuts their pictures, corrects what the engine read of each, and puts the page's lines in reading
// order. The reader runs these steps in the order below and reads the lines itself in between (how
// many at once, which ones again); everything else of this folder is reached only through here.
namespace PageText {

using Line = platform::TextLine;
// A line the layout pass found, in pixels of the page prepared for reading.
using FoundLine = TextLayout::Line;
// A line's picture as the engine is given it, and where it lies on the page.
using LineImage = TextPreparation::LineImage;

struct Page {
    QImage flat;            // the screenshot prepared for reading: opaque, transparency on white
    QList<FoundLine> lines; // empty when the page holds no text worth reading
};

// 1. The lines of `image` (already at the size it is read at), shapes that are no text left out;
// no lines when it is too flat to hold text. Nothing when it cannot be prepared.
std::optional<Page> layOut(const QImage &image);

// 2. The picture of `found` to hand to the engine (its image null when it cannot be made).
LineImage pictureOf(const QImage &flat, const FoundLine &found);

// 3. While the engine is still held: reads again, with its second model, the words of each line of
// `read` the first reading was unsure of, and keeps the surer reading of each. Sets read.stopped
// when `stop` interrupted it.
void recheck(platform::TextEngine &engine, const LineImage &image, platform::TextReadResult &read,
             const platform::CancelCheck &stop);

// 4. The symbols of `lines` (as read from `image`, in its pixels) that the engine took for others of
// a like outline, corrected.
void correctSymbols(QList<Line> &lines, const LineImage &image);

// 5. What was read of `image` moved onto the page, with the corrections that depend on what the
// layout pass saw where `found` lies (underscores, digit groups, units).
QList<Line> placed(QList<Line> read, const LineImage &image, const FoundLine &found);

// 6. The lines of a page of size `read` as the reader gives them for an image of size `shown`: in
// pixels of `shown`, in reading order, without blank lines nor ink read twice.
QList<Line> arranged(QList<Line> lines, QSize read, QSize shown);

// The rows of `lines` in reading order, each the indices of its pieces left to right.
QList<QList<qsizetype>> rowsOf(const QList<Line> &lines);

} // namespace PageText
