#include "widgets/HoverProgress.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

// The pointer over a disabled widget shows no hover; enabled under the pointer, the hover comes, and it
// goes when the widget is disabled again.
TEST(HoverProgressTest, ADisabledWidgetIsNeverHovered) {
    QWidget page;
    page.resize(200, 100);
    auto *card = new QWidget(&page);
    card->setGeometry(50, 20, 100, 60);
    auto *hover = new HoverProgress(card, 10);
    card->setEnabled(false);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QTest::mouseMove(&page, QPoint(5, 5));
    QTest::mouseMove(card, card->rect().center());
    ASSERT_TRUE(card->underMouse());
    EXPECT_FALSE(hover->isHovering());
    card->setEnabled(true);
    EXPECT_TRUE(hover->isHovering());
    card->setEnabled(false);
    EXPECT_FALSE(hover->isHovering());
}
