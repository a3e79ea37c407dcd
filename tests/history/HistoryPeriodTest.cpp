#include "history/HistoryPeriod.h"
#include "platform/StringTables.h"

#include <gtest/gtest.h>

TEST(HistoryPeriodTest, TodayStartsAtMidnightWhileWeekAndMonthKeepTheTimeOfDay) {
    const QDateTime now(QDate(2026, 3, 14), QTime(10, 0));
    EXPECT_EQ(periodSince(HistoryPeriod::all, now), std::nullopt);
    EXPECT_EQ(periodSince(HistoryPeriod::today, now), QDateTime(QDate(2026, 3, 14), QTime(0, 0)));
    EXPECT_EQ(periodSince(HistoryPeriod::week, now), QDateTime(QDate(2026, 3, 7), QTime(10, 0)));
    EXPECT_EQ(periodSince(HistoryPeriod::month, now), QDateTime(QDate(2026, 2, 12), QTime(10, 0)));
}

TEST(HistoryPeriodTest, DayTitlesNameTodayYesterdayAndTheYearOnlyWhenItIsAnother) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    const QDate today(2026, 3, 14);
    EXPECT_EQ(dayTitle(today, today), QStringLiteral("Hoje"));
    EXPECT_EQ(dayTitle(QDate(2026, 3, 13), today), QStringLiteral("Ontem"));
    EXPECT_EQ(dayTitle(QDate(2026, 2, 10), today), QStringLiteral("terça-feira, 10 de fevereiro"));
    EXPECT_EQ(dayTitle(QDate(2025, 3, 15), today), QStringLiteral("sábado, 15 de março de 2025"));
    // New Year's Day sees the last of December as yesterday, with no year.
    EXPECT_EQ(dayTitle(QDate(2025, 12, 31), QDate(2026, 1, 1)), QStringLiteral("Ontem"));
    platform::StringTables::setCurrentLanguage({});
}
