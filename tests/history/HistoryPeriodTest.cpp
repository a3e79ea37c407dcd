#include "history/HistoryPeriod.h"

#include <gtest/gtest.h>

TEST(HistoryPeriodTest, TodayStartsAtMidnightWhileWeekAndMonthKeepTheTimeOfDay) {
    const QDateTime now(QDate(2026, 3, 14), QTime(10, 0));
    EXPECT_EQ(periodSince(HistoryPeriod::all, now), std::nullopt);
    EXPECT_EQ(periodSince(HistoryPeriod::today, now), QDateTime(QDate(2026, 3, 14), QTime(0, 0)));
    EXPECT_EQ(periodSince(HistoryPeriod::week, now), QDateTime(QDate(2026, 3, 7), QTime(10, 0)));
    EXPECT_EQ(periodSince(HistoryPeriod::month, now), QDateTime(QDate(2026, 2, 12), QTime(10, 0)));
}
