#include "brand/art/PixelCanvas.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(PixelCanvasTest, ScalesReadsAndSetsPixels) {
    QImage wide(200, 50, QImage::Format_RGB32);
    wide.fill(QColor(90, 60, 30));
    const auto small = PixelCanvas::make(wide, 64);
    ASSERT_TRUE(small);
    EXPECT_EQ(QSize(small->width(), small->height()), QSize(64, 16));
    auto canvas = PixelCanvas::make(wide);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->width(), 200);
    EXPECT_EQ(canvas->rgba(3, 3), (PixelCanvas::Rgba{90, 60, 30, 255}));
    canvas->set(3, 3, 128);
    EXPECT_EQ(canvas->pixels()[(3 * 200 + 3) * 4 + 3], 128);
    EXPECT_EQ(canvas->rgba(3, 3), (PixelCanvas::Rgba{89, 59, 29, 128}));
    canvas->set(4, 3, 0);
    EXPECT_EQ(canvas->rgba(4, 3), PixelCanvas::Rgba{});
    EXPECT_FALSE(PixelCanvas::make(QImage()));
    EXPECT_FALSE(PixelCanvas::make(wide, 0));
}
