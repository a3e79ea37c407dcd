#pragma once

#include <QDateTime>

#include <optional>

// The periods the history page filters by, in the order it offers them.
enum class HistoryPeriod { all, today, week, month };

// The first moment of `period` seen at `now`: none for all time; the start of now's day for today;
// 7 or 30 calendar days before now, at the same time of day, for a week or a month. Computed at each
// use, so a page left open keeps up with the clock.
std::optional<QDateTime> periodSince(HistoryPeriod period, const QDateTime &now);
