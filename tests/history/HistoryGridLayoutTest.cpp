#include "history/HistoryGridLayout.h"

#include <gtest/gtest.h>

namespace {

// Days of 1, 7 and 3 captures, then one of 10.
const QList<HistoryDaySection> kSections{
    {QDate(2026, 3, 14), 0, 1}, {QDate(2026, 3, 13), 1, 7}, {QDate(2026, 3, 1), 8, 3}, {QDate(2025, 1, 2), 11, 10}};

int cardHeight(int width) { return width / 2 + 40; }

} // namespace

TEST(HistoryGridLayoutTest, ColumnsFitBetweenTheNarrowestAndWidestCard) {
    HistoryGridLayout layout;
    const auto columnsAt = [&](int width) {
        layout.layOut(kSections, width, 14, cardHeight);
        return std::pair(layout.columns(), layout.cardWidth());
    };
    // 1000 − 56 = 944 px of room: four columns of 224.
    EXPECT_EQ(columnsAt(1000), std::pair(4, 224));
    // Room for five at 210 but not at 211 and more: 1182 − 56 = 1126 = 5 × 210 + 4 × 16 + 12.
    EXPECT_EQ(columnsAt(1182), std::pair(5, 212));
    // Never wider than 300: a single column keeps that width and the row stays at the leading edge.
    EXPECT_EQ(columnsAt(400), std::pair(1, 300));
    EXPECT_EQ(columnsAt(100), std::pair(1, 44));
}

TEST(HistoryGridLayoutTest, WhatMeetsAStretchOfRowsIsFoundWithoutWalkingTheList) {
    HistoryGridLayout layout;
    layout.layOut(kSections, 1000, 14, cardHeight);
    const int h = layout.cardHeight();
    ASSERT_EQ(h, 224 / 2 + 40);
    // Top padding, heading, spacing: the first card; the second day starts a day's spacing below.
    EXPECT_EQ(layout.cardRect(0), QRect(28, 22 + 14 + 12, 224, h));
    EXPECT_EQ(layout.cardRect(1).top(), 22 + 14 + 12 + h + 26 + 14 + 12);
    EXPECT_EQ(layout.cardRect(6), QRect(28 + 224 + 16, layout.cardRect(1).top() + h + 18, 224, h));
    EXPECT_TRUE(layout.cardRect(21).isEmpty());
    EXPECT_EQ(layout.height(), layout.cardRect(20).bottom() + 1 + 22);

    // Every stretch finds exactly the cards and headings a walk over all of them finds.
    for (int top = -50; top < layout.height(); top += 37) {
        const int bottom = top + 120;
        QList<qsizetype> expected;
        for (qsizetype i = 0; i < 21; ++i) {
            const QRect r = layout.cardRect(i);
            if (r.bottom() >= top && r.top() < bottom) expected.append(i);
        }
        QList<qsizetype> found;
        for (const auto &card : layout.cardsBetween(top, bottom)) {
            EXPECT_EQ(card.rect, layout.cardRect(card.index));
            found.append(card.index);
        }
        EXPECT_EQ(found, expected) << top;
        for (const auto &heading : layout.headingsBetween(top, bottom)) {
            EXPECT_TRUE(heading.rect.bottom() >= top && heading.rect.top() < bottom) << top;
            EXPECT_EQ(heading.rect.bottom() + 1 + 12, layout.cardRect(kSections[heading.section].first).top());
        }
    }
    layout.layOut({}, 1000, 14, cardHeight);
    EXPECT_EQ(layout.height(), 0);
    EXPECT_TRUE(layout.cardsBetween(0, 800).isEmpty());
}
