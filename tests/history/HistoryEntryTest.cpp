#include "history/HistoryEntry.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <ctime>

TEST(HistoryEntryTest, ConsecutiveEntriesOfOneLocalDayShareASection) {
    // Entries of 23:59 yesterday and 00:01 today fall into two day sections; the order is kept.
    const QList<HistoryEntry> entries = {
        HistoryEntry(QStringLiteral("/r/c.png"), QDateTime(QDate(2026, 3, 14), QTime(0, 1))),
        HistoryEntry(QStringLiteral("/r/b.png"), QDateTime(QDate(2026, 3, 13), QTime(23, 59))),
        HistoryEntry(QStringLiteral("/r/a.png"), QDateTime(QDate(2026, 3, 13), QTime(8, 0))),
        HistoryEntry(QStringLiteral("/r/old.png"), QDateTime()),
    };
    const QList<HistoryDaySection> sections = daySections(entries);
    ASSERT_EQ(sections.size(), 3);
    EXPECT_EQ(sections[0].day, QDate(2026, 3, 14));
    EXPECT_EQ(sections[1].day, QDate(2026, 3, 13));
    EXPECT_EQ(sections[1].first, 1);
    EXPECT_EQ(sections[1].count, 2);
    EXPECT_FALSE(sections[2].day.isValid());
    EXPECT_EQ(entries[1].name(), QStringLiteral("b.png"));
}

TEST(HistoryEntryTest, InstantsAgreeWithTheTimeZoneRules) {
    // Every hour of a year with daylight-saving days: the kept offsets never give another instant.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const auto restore = qScopeGuard([&zone] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    ASSERT_NE(QDateTime(QDate(2025, 1, 10), QTime(12, 0)).offsetFromUtc(),
              QDateTime(QDate(2025, 7, 10), QTime(12, 0)).offsetFromUtc());
    const QDateTime start(QDate(2025, 1, 1), QTime(0, 30));
    for (int hour = 0; hour < 366 * 24; hour += 1) {
        const QDateTime local = start.addSecs(qint64(hour) * 3600 + (hour % 7) * 60);
        ASSERT_EQ(HistoryEntry(QStringLiteral("/r/a.png"), local).msecsSinceEpoch(), local.toMSecsSinceEpoch()) << hour;
    }
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(HistoryEntry(QStringLiteral("/r/a.png"), utc).msecsSinceEpoch(), utc.toMSecsSinceEpoch());
}
