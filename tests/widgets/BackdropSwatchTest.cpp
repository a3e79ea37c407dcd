#include "widgets/BackdropSwatch.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(BackdropSwatchTest, TransparentSlashAndClippedSolid) {
    QImage tile(60, 40, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::black);
    {
        QPainter p(&tile);
        BackdropSwatch::paint(p, QRectF(0, 0, 60, 40), Backdrop::transparent(), 6);
    }
    // The slash runs from lower left to upper right.
    EXPECT_GT(qGray(tile.pixel(int(0.5 * 60), int(0.5 * 40))), 40);
    EXPECT_LT(qGray(tile.pixel(int(0.2 * 60), int(0.2 * 40))), 20);
    Backdrop solid;
    solid.kind = Backdrop::Kind::solid;
    solid.colors = {0xFF0000};
    tile.fill(Qt::black);
    {
        QPainter p(&tile);
        BackdropSwatch::paint(p, QRectF(0, 0, 60, 40), solid, 6);
    }
    EXPECT_EQ(QColor(tile.pixel(30, 20)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(tile.pixel(0, 0)), QColor(0, 0, 0)); // clipped corner
}
