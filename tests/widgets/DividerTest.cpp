#include "widgets/Divider.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

TEST(DividerTest, LooksLikeTheHairlineOverTheWindowInEitherDirection) {
    QImage hairline(1, 1, QImage::Format_RGB32);
    hairline.fill(Theme::bg());
    QPainter(&hairline).fillRect(hairline.rect(), Theme::line());
    const QColor expected = hairline.pixelColor(0, 0);
    for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        Divider divider(orientation);
        divider.resize(40, 40);
        const QImage shown = divider.grab().toImage();
        EXPECT_EQ(orientation == Qt::Horizontal ? shown.size() : shown.size().transposed(), QSize(40, 1));
        const QColor colour = shown.pixelColor(shown.width() - 1, shown.height() - 1);
        EXPECT_EQ(colour.alpha(), 255);
        EXPECT_NEAR(colour.red(), expected.red(), 1);
        EXPECT_NEAR(colour.green(), expected.green(), 1);
        EXPECT_NEAR(colour.blue(), expected.blue(), 1);
    }
}
