#pragma once

#include "pagetext/TextLayout.h"
#include "platform/TextEngine.h"

#include <QList>
#include <QRect>

// Corrections of a line the engine read, from what the layout pass saw in the pixels. The engine's
// models rarely saw an underscore and read it as a space ("sk_live" as "sk live"), and they join
// groups of digits set apart by narrow spaces ("4111 1111" as "41111111"): both matter to the
// sensitive-data finder and to a person copying the text.
namespace LineRepair {

// Puts an underscore where one of `underscores` (boxes in the line's pixels) lies between two
// glyphs the engine read with a space or nothing between them. Around a stroke joined to the letters
// on both sides, the spaces read beside it and a period, comma or hyphen read into its ink go.
void restoreUnderscores(platform::TextLine &line, const QList<TextLayout::Underscore> &underscores);

// Takes out a space read beside an underscore where the glyphs either side of it lie no further apart
// than letters of one word do (their median gap plus an eighth of the line's height): "sk_live _51"
// is one key, "nome _ valor" keeps its spaces.
void joinUnderscores(platform::TextLine &line);

// Puts a space between a number and a word read right after it ("4KB", "1,1GB") where their ink lies
// clearly further apart than letters do: at least twice the line's usual gap plus one pixel, and that
// gap plus three tenths of the digits' height.
void splitUnits(platform::TextLine &line);

// Puts a space into a run of five or more digits where the gap between two of them is clearly wider
// than the others (at least twice their median gap plus one pixel, and that gap plus three tenths
// of the digits' height).
void splitDigitGroups(platform::TextLine &line);

} // namespace LineRepair
