#include "brand_window/BrandPreviewShot.h"

#include <gtest/gtest.h>

TEST(BrandPreviewShotTest, TheWindowIsDrawnUprightOnce) {
    const QImage &shot = BrandPreviewShot::image();
    ASSERT_EQ(shot.size(), QSize(760, 480));
    EXPECT_EQ(shot.pixelColor(0, 479), QColor(242, 242, 242)); // sidebar at the bottom left
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(237, 237, 237));   // title bar at the top left
    EXPECT_EQ(&BrandPreviewShot::image(), &shot);
}
