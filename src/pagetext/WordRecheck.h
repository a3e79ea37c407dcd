#pragma once

#include "platform/TextEngine.h"

#include <QImage>
#include <QList>

// A second reading of the words the first one is unsure of. The Portuguese model reads interface
// text well but lacks characters that keys, e-mail addresses, code and logs are made of ("_", "@",
// "#", "~", braces, backslash); where it meets them its confidence drops, and the English model reads
// those words again. Only those words: cut out of the line and set side by side in one strip, so a
// line costs one short second reading, not a whole one; each run of words keeps the surer reading.
namespace WordRecheck {

// The unsure words of one read line, cut out of the image it was read from.
struct Strip {
    // A run of neighbouring unsure words, words [first, end) of the line: columns [from, to) of the
    // line image, at column `at` of the strip.
    struct Cut {
        qsizetype first = 0, end = 0;
        int from = 0, to = 0, at = 0;
    };
    QImage image; // null when the line holds no unsure word
    QList<Cut> cuts;
};

// The strip of `line`, as read from `lineImage` (boxes in its pixels): each run cut from halfway
// between its outer words and their neighbours (or half a line's height past the line's ends), the runs
// a line's height apart so that they read as separate words.
Strip stripOf(const QImage &lineImage, const platform::TextLine &line);

// Puts into `line` what `reread` (the lines read from strip.image) found in each cut where all of it
// is surer than the first reading of the run: text, glyphs (in the line image's pixels) and words,
// in the line's order.
void merge(platform::TextLine &line, const Strip &strip, const QList<platform::TextLine> &reread);

} // namespace WordRecheck
