#pragma once

#include "pagetext/TextLayout.h"
#include "pagetext/TextPreparation.h"
#include "platform/TextEngine.h"

#include <QList>

// Keeps each piece of text on a screen read once. Around chips, buttons and fields drawn with a
// rounded outline (two pixels thick on a 2x screen) the layout pass also finds the outline, or its
// ends, as lines of their own, and a switch's knob as a letter: read, they repeat the text inside
// or add scraps ("~", "..", "@", ")") to the copy.
namespace LineSieve {

// Drops found lines that are no text before anything is read: one square mark, solid or taller
// than the page's lines (a switch's knob, a bullet, an icon), and a thin stroke much taller than
// the page's text (the end of a chip's outline).
void dropShapes(QList<TextLayout::Line> &found, const TextPreparation::InkMap &ink);

// Of two read lines over the same ink, keeps one: the lines inside a box read around them (a
// button's or field's outline read with its text) when they hold most of its letters, else the
// larger line (a scrap read over a real line); drops one or two characters far smaller than the
// page's lines (bits of a knob's rim).
void dropRereads(QList<platform::TextLine> &lines);

} // namespace LineSieve
