#include "editor/EditorPageState.h"

#include <gtest/gtest.h>

TEST(EditorPageStateTest, CommandBarStartsOnTheFirstRow) {
    EditorPageState page;
    page.setCommandBarOpen(true);
    page.setCommandQuery(QStringLiteral("som"));
    page.setCommandSelection(3);
    // Every assignment of the query, the same text included, goes back to the first row.
    page.setCommandQuery(QStringLiteral("som"));
    EXPECT_EQ(page.commandSelection(), 0);
    page.setCommandSelection(2);
    page.setCommandBarOpen(true);
    EXPECT_EQ(page.commandQuery(), QString());
    EXPECT_EQ(page.commandSelection(), 0);
}
