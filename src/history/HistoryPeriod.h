#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The periods the history page filters by, in the order it offers them.
enum class HistoryPeriod { all, today, week, month };

// Every period, in the order the page offers them.
const QList<HistoryPeriod> &allHistoryPeriods();

// What the period switch shows: "Tudo", "Hoje", "7 dias", "30 dias", in the current language.
QString periodLabel(HistoryPeriod period);

// The first moment of `period` seen at `now`: none for all time; the start of now's day for today;
// 7 or 30 calendar days before now, at the same time of day, for a week or a month. Computed at each
// use, so a page left open keeps up with the clock.
std::optional<QDateTime> periodSince(HistoryPeriod period, const QDateTime &now);

// The heading of a day of captures seen on `today`: "Hoje", "Ontem", else the weekday, the day and
// the month as the language writes them, with the year only for a day outside today's year.
QString dayTitle(QDate day, QDate today);
