#pragma once

#include "platform/TextEngine.h"

#include <QList>

// The order a person reads the lines of a screen in. Blocks that stand side by side (two windows, a
// sidebar and a page) are read one after the other, the left one first; the pieces of a row that
// share a baseline (a label and its value, the cells of a table) are read left to right as one line.
// Columns whose lines mostly share baselines with the column beside them are such rows, not blocks,
// unless the left one is a list of its own: short items one per row at one left edge (a sidebar's),
// set further from the rest than the rest's columns are from each other. A block beside only part of
// the other side is read with that part: a card beside a form before what lies below both, a top
// bar's right end with the top bar.
namespace ReadingOrder {

// The rows of `lines` in reading order, each the indices of its pieces left to right.
QList<QList<qsizetype>> rowsOf(const QList<platform::TextLine> &lines);

} // namespace ReadingOrder
