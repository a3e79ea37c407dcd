#include "widgets/Divider.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

TEST(DividerTest, LooksLikeTheHairlineOverTheWindowInEitherDirection) {
    QImage hairline(1, 1, QImage::Format_RGB32);
    hairline.fill(Theme::bg());
    QPainter(&hairline).fillRect(hairline.rect(), Theme::line());
    for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        Divider divider(orientation);
        divider.resize(40, 40);
        const QImage shown = divider.grab().toImage();
        EXPECT_EQ(orientation == Qt::Horizontal ? shown.size() : shown.size().transposed(), QSize(40, 1));
        const QRgb a = shown.pixel(shown.width() - 1, shown.height() - 1), b = hairline.pixel(0, 0);
        EXPECT_LE(
            std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}), 1);
    }
}
