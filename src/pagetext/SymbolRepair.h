#pragma once

#include "platform/TextEngine.h"

#include <QImage>

// Corrections of symbols the engine's models take for others of a like outline, from the shape and
// place of their ink: a middle dot ("Início · Ctrl+1") read as "-", "." or ":", a multiplication
// sign ("580 × 260") read as "x", and a period or comma between digits ("4.12.0", "2,7") read as
// nothing. The models hardly saw the first two, and drop the third when a number looks like a word.
namespace SymbolRepair {

// Corrects `line`, read from `image` (grey ink on white, boxes in its pixels, `scale` image pixels
// per screen pixel):
// - a "-", ".", ":", "+" or "*" whose ink is one small round blob halfway up the line becomes "·";
// - an "x" or "X" between numbers whose ink floats above the numbers' baseline becomes "×";
// - a small round blob on the baseline between two digits the engine read side by side becomes a
//   "." between them, and one halfway up between two words a "·";
// - a small mark from the baseline down below it between two digits read side by side becomes a ",",
//   also where its ink runs into one of the digits (small light print on a dark ground);
// - a "k" or "K" whose arms reach as high as its stem, or clearly lower, becomes "K" or "k".
void correct(platform::TextLine &line, const QImage &image, qreal scale);

} // namespace SymbolRepair
