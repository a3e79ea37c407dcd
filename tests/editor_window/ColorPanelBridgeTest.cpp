#include "editor_window/ColorPanelBridge.h"

#include <gtest/gtest.h>

TEST(ColorPanelBridgeTest, TheLastCallerGetsThePicksUntilDetached) {
    ColorPanelBridge &bridge = ColorPanelBridge::shared();
    QList<QColor> first, second;
    bridge.open(Qt::red, [&](const QColor &c) { first.append(c); });
    ASSERT_TRUE(bridge.panel()->isVisible());
    bridge.panel()->setCurrentColor(Qt::green);
    // A new caller takes over; the colour merely shown for it reaches nobody.
    bridge.open(Qt::blue, [&](const QColor &c) { second.append(c); });
    bridge.panel()->setCurrentColor(Qt::yellow);
    EXPECT_EQ(first, QList<QColor>{QColor(Qt::green)});
    EXPECT_EQ(second, QList<QColor>{QColor(Qt::yellow)});
    bridge.detach();
    bridge.panel()->setCurrentColor(Qt::cyan);
    EXPECT_EQ(second.size(), 1);
    EXPECT_FALSE(bridge.panel()->isVisible());
}
