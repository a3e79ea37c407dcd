#include "platform/RelativeDate.h"

#include <gtest/gtest.h>

TEST(RelativeDateTest, NamesTheLargestUnitThatDiffersAsTheLanguageSaysIt) {
    const QDateTime now(QDate(2026, 3, 18), QTime(15, 30), Qt::LocalTime);
    const QString pt = QStringLiteral("pt-BR");
    EXPECT_EQ(platform::relativeDate(now.addSecs(-2 * 3600), now, pt), QStringLiteral("há 2 horas"));
    EXPECT_EQ(platform::relativeDate(now.addDays(-1), now, pt), QStringLiteral("ontem"));
    EXPECT_EQ(platform::relativeDate(now.addDays(-3), now, pt), QStringLiteral("há 3 dias"));
    EXPECT_EQ(platform::relativeDate(now.addMonths(-2), now, pt), QStringLiteral("há 2 meses"));
    EXPECT_EQ(platform::relativeDate(now, now, pt), QStringLiteral("agora"));
    // Late yesterday seen early today is hours ago, not a day.
    const QDateTime early(QDate(2026, 3, 18), QTime(1, 0), Qt::LocalTime);
    EXPECT_EQ(platform::relativeDate(early.addSecs(-3 * 3600), early, pt), QStringLiteral("há 3 horas"));
    EXPECT_EQ(platform::relativeDate(now.addDays(-1), now, QStringLiteral("en")), QStringLiteral("yesterday"));
    EXPECT_EQ(platform::relativeDate(now.addSecs(-5 * 60), now, QStringLiteral("en")), QStringLiteral("5 minutes ago"));
    EXPECT_TRUE(platform::relativeDate(QDateTime(), now, pt).isEmpty());
}
