#include "app/MainWindowFrame.h"

#include <gtest/gtest.h>

TEST(MainWindowFrameTest, ASavedFrameStaysWithinReach) {
    const QRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 800);
    // Wholly on a screen: kept, on either.
    EXPECT_EQ(MainWindowFrame::fitted(QRect(100, 50, 1240, 800), {left, right}), QRect(100, 50, 1240, 800));
    EXPECT_EQ(MainWindowFrame::fitted(QRect(1950, 0, 1240, 800), {left, right}), QRect(1950, 0, 1240, 800));
    // Saved on a screen that is gone: onto the nearest one, fully inside.
    EXPECT_EQ(MainWindowFrame::fitted(QRect(5000, 100, 1240, 800), {left}), QRect(680, 100, 1240, 800));
    EXPECT_EQ(MainWindowFrame::fitted(QRect(-3000, -2000, 1240, 800), {left, right}), QRect(0, 0, 1240, 800));
    // Larger than the screen it lands on: shrunk to it.
    EXPECT_EQ(MainWindowFrame::fitted(QRect(5000, 100, 1600, 900), {right}), QRect(1920, 0, 1280, 800));
    // Straddling two screens: onto the one it covers most.
    EXPECT_EQ(MainWindowFrame::fitted(QRect(1500, 100, 1240, 800), {left, right}), QRect(1920, 0, 1240, 800));
    // No screen known: as saved.
    EXPECT_EQ(MainWindowFrame::fitted(QRect(5000, 100, 1240, 800), {}), QRect(5000, 100, 1240, 800));
}
