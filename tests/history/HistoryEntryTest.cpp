#include "history/HistoryEntry.h"

#include <gtest/gtest.h>

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
