#include "platform/LongDate.h"

#include <gtest/gtest.h>

TEST(LongDateTest, WritesTheDateOutWithoutTheWeekday) {
    const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(platform::longDate(noon, QStringLiteral("pt-BR")), QStringLiteral("7 de dezembro de 2026"));
    EXPECT_EQ(platform::longDate(noon, QStringLiteral("en")), QStringLiteral("December 7, 2026"));
    EXPECT_EQ(platform::longDate(noon, QStringLiteral("en-GB")), QStringLiteral("7 December 2026"));
    EXPECT_TRUE(platform::longDate(QDateTime()).isEmpty());
}
