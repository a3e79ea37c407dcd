#include "editor/CanvasMapping.h"

#include <gtest/gtest.h>

TEST(CanvasMappingTest, FitsNeverEnlargesAndCentresInTheWholeSize) {
    const CanvasMapping large = CanvasMapping::fit(QRectF(0, 0, 800, 600), QSizeF(500, 400), 36);
    EXPECT_DOUBLE_EQ(large.scale(), 0.535);
    EXPECT_EQ(large.frame, QRectF(36, 39.5, 428, 321));

    const CanvasMapping small = CanvasMapping::fit(QRectF(0, 0, 200, 100), QSizeF(500, 400), 36);
    EXPECT_DOUBLE_EQ(small.scale(), 1);
    EXPECT_EQ(small.frame, QRectF(150, 150, 200, 100));

    // A size smaller than its padding still leaves 40 × 40 points.
    const CanvasMapping tiny = CanvasMapping::fit(QRectF(0, 0, 400, 400), QSizeF(60, 60), 36);
    EXPECT_EQ(tiny.frame, QRectF(10, 10, 40, 40));
}

TEST(CanvasMappingTest, ConvertsBothWaysForAShownPart) {
    const CanvasMapping m = CanvasMapping::fit(QRectF(100, 50, 400, 300), QSizeF(272, 222), 36);
    ASSERT_DOUBLE_EQ(m.scale(), 0.5);
    EXPECT_EQ(m.toView(QRectF(100, 50, 40, 20)), QRectF(36, 36, 20, 10));
    const QPointF back = m.toImage(m.toView(QPointF(321, 123)));
    EXPECT_NEAR(back.x(), 321, 1e-9);
    EXPECT_NEAR(back.y(), 123, 1e-9);
}
