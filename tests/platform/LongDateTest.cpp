#include "platform/LongDate.h"

#include <gtest/gtest.h>

TEST(LongDateTest, WritesTheDateOutWithoutTheWeekday) {
    const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(platform::longDate(noon, QStringLiteral("pt-BR")), QStringLiteral("7 de dezembro de 2026"));
    EXPECT_EQ(platform::longDate(noon, QStringLiteral("en")), QStringLiteral("December 7, 2026"));
    EXPECT_EQ(platform::longDate(noon, QStringLiteral("en-GB")), QStringLiteral("7 December 2026"));
    EXPECT_TRUE(platform::longDate(QDateTime()).isEmpty());
}

TEST(LongDateTest, DayHeadingsNameTheWeekdayAndTheYearWhenAsked) {
    const QDate day(2025, 3, 15);
    EXPECT_EQ(platform::dayHeading(day, true, QStringLiteral("pt-BR")), QStringLiteral("sábado, 15 de março de 2025"));
    EXPECT_EQ(platform::dayHeading(day, false, QStringLiteral("pt-BR")), QStringLiteral("sábado, 15 de março"));
    EXPECT_EQ(platform::dayHeading(day, true, QStringLiteral("en")), QStringLiteral("Saturday, March 15, 2025"));
    EXPECT_EQ(platform::dayHeading(day, false, QStringLiteral("de")), QStringLiteral("Samstag, 15. März"));
    EXPECT_TRUE(platform::dayHeading(QDate(), true, QStringLiteral("en")).isEmpty());
    // The time of day, without seconds, in the language's clock.
    const QDateTime afternoon(QDate(2025, 3, 15), QTime(14, 5, 38));
    EXPECT_EQ(platform::shortTime(afternoon, QStringLiteral("pt-BR")), QStringLiteral("14:05"));
    EXPECT_TRUE(platform::shortTime(afternoon, QStringLiteral("en")).startsWith(QStringLiteral("2:05")));
}
