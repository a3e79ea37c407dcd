#include "brand_window/BrandPreviewShot.h"
#include "core/Beautifier.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const QColor bar(237, 237, 237);

} // namespace

TEST(BrandPreviewShotTest, TheWindowIsDrawnUprightOnce) {
    const QImage &shot = BrandPreviewShot::image();
    ASSERT_EQ(shot.size(), QSize(760, 480));
    EXPECT_EQ(shot.pixelColor(1, 478), QColor(242, 242, 242)); // sidebar at the bottom left
    EXPECT_EQ(shot.pixelColor(1, 1), bar);                     // bar at the top left
    EXPECT_EQ(&BrandPreviewShot::image(), &shot);
}

// Beautified as the brand page does it, the window keeps its whole bar, 52 pixels tall, and the buttons
// in it lie inside the rounded corners; outside them there is only backdrop.
TEST(BrandPreviewShotTest, TheBarIsWholeAndNothingInItIsCutByTheRoundedCorners) {
    BeautyStyle style;
    style.backdrop.kind = Backdrop::Kind::solid;
    style.backdrop.colors = {0x2050A0};
    style.shadow = false;
    const QImage placed = Beautifier::placedScreenshot(BrandPreviewShot::image(), style);
    const std::optional<Beautifier::Layout> layout = Beautifier::layout(placed.size(), style);
    ASSERT_TRUE(layout);
    const QImage out =
        Beautifier::render(BrandPreviewShot::image(), style, std::nullopt).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(out.size(), layout->canvas);
    out.save(testsupport::outputPath(QStringLiteral("brand-preview-shot.png")));
    const QRect frame = layout->frame;
    const double r = layout->radius;
    ASSERT_GT(r, 10);

    // The bar, 52 rows of its colour at the top of the frame, at a column clear of the title and buttons.
    for (int y = 0; y < 52; ++y) EXPECT_EQ(out.pixelColor(frame.left() + 100, frame.top() + y), bar) << y;
    EXPECT_NE(out.pixelColor(frame.left() + 100, frame.top() + 52), bar);

    // How far a point of the frame lies from the nearest centre of a corner's rounding (0 away from the
    // corners): beyond r it is cut.
    const auto fromCentre = [&](qreal px, qreal py) {
        const qreal cx = std::clamp(px, r, frame.width() - r), cy = std::clamp(py, r, frame.height() - r);
        return std::hypot(px - cx, py - cy);
    };
    // The title and the buttons: every pixel of the bar not of its colour lies well inside the rounding.
    ASSERT_EQ(placed.size(), frame.size());
    int drawnInBar = 0;
    for (int y = 0; y < 52; ++y) {
        for (int x = 0; x < placed.width(); ++x) {
            if (placed.pixelColor(x, y) == bar) continue;
            ++drawnInBar;
            EXPECT_LT(fromCentre(x + 0.5, y + 0.5), r - 1) << x << "," << y;
        }
    }
    EXPECT_GT(drawnInBar, 500);
    // Outside the rounding there is only backdrop.
    const QColor backdrop(0x20, 0x50, 0xA0);
    int outside = 0;
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        for (int x = frame.left(); x <= frame.right(); ++x) {
            if (fromCentre(x + 0.5 - frame.left(), y + 0.5 - frame.top()) <= r + 1) continue;
            ++outside;
            EXPECT_EQ(out.pixelColor(x, y), backdrop) << x << "," << y;
        }
    }
    EXPECT_GT(outside, 100);
}
