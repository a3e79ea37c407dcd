#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// A stored real number shown or used as a whole number: cut towards zero and held inside the range of
// `Int` (a hand-edited 1e300 gives the largest value, not undefined behaviour); NaN gives 0.
template <typename Int = qint64>
Int truncatedWhole(double value) {
    if (std::isnan(value)) return 0;
    constexpr Int lowest = std::numeric_limits<Int>::lowest();
    constexpr Int highest = std::numeric_limits<Int>::max();
    // Compared as doubles: the largest qint64 rounds up to 2^63, which no in-range value reaches.
    if (value >= static_cast<double>(highest)) return highest;
    if (value <= static_cast<double>(lowest)) return lowest;
    return static_cast<Int>(value);
}
