#pragma once

#include "pagetext/TextPreparation.h"

#include <QList>
#include <QRect>

// The layout pass of text recognition, made for screens: text there runs in straight horizontal
// lines of glyphs of similar height, so lines are found by joining the pieces of ink that sit side
// by side on a common band. It is cheap next to reading the lines, and an image whose ink forms no
// line (shapes, photos, gradients) is never read at all.
namespace TextLayout {

// A flat stroke on a line's baseline between its glyphs: an underscore, which text engines often
// read as a space. Joined when its ink runs into the letters on both sides, as in "pk_test": then
// no space lies either side of it. Not sure when its shape alone cannot tell it from the foot of an
// "L" before a letter: in small text whose letters end in a faint row of anti-aliasing, an underscore
// touching a letter on one side reaches no lower than they do.
struct Underscore {
    QRect box;
    bool joined = false;
    bool sure = true;
};

struct Line {
    QRect box;
    QList<Underscore> underscores;
};

// The lines of text in `ink`, top to bottom, then left to right. Pieces of a row further apart
// than twice their height are separate lines (columns, a label and its value).
QList<Line> findLines(const TextPreparation::InkMap &ink);

} // namespace TextLayout
