#include "widgets/BrandMark.h"

#include <QAccessible>
#include <QImage>

#include <gtest/gtest.h>

TEST(BrandMarkTest, FillsItsSquare) {
    BrandMark mark(52);
    QImage image(52, 52, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    mark.render(&image);
    EXPECT_GT(qAlpha(image.pixel(26, 10)), 200); // the mark is drawn, not an empty resource
}

TEST(BrandMarkTest, ScreenReadersSkipIt) {
    BrandMark mark(52);
    QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(&mark);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->state().invisible);
    EXPECT_EQ(shown->role(), QAccessible::NoRole);
}
