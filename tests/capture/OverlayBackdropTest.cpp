#include "capture/OverlayBackdrop.h"
#include "support/TestSupport.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

DisplaySnapshot checkerDisplay() {
    // A 2× display of 400 × 300 points: white with a black square in the middle.
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(QRect(300, 200, 200, 200), Qt::black);
    return {1, QRectF(1440, 0, 400, 300), image};
}

QImage render(const DisplaySnapshot &s, const QImage &blurred, OverlayMode mode, std::optional<QRectF> selection,
              std::optional<QRectF> window) {
    QImage out(s.bounds.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    OverlayBackdrop::paint(p, s, blurred, mode, selection, window);
    return out;
}

int red(const QImage &image, int x, int y) { return qRed(image.pixel(x, y)); }

// White under the dimming colour at an opacity.
int dimmedWhite(double opacity) { return int(std::lround(255 * (1 - opacity) + 7 * opacity)); }

} // namespace

TEST(OverlayBackdropTest, BlurredCopyIsQuarterSizeWithoutDarkFringe) {
    QImage image(1000, 600, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    const QImage blurred = OverlayBackdrop::blurred(image);
    ASSERT_EQ(blurred.size(), QSize(250, 150));
    // The edge pixels repeat before blurring, so the corners stay the image's colour.
    for (QPoint p : {QPoint(0, 0), QPoint(249, 0), QPoint(0, 149), QPoint(249, 149), QPoint(125, 75)}) {
        const QColor c = blurred.pixelColor(p);
        EXPECT_NEAR(c.red(), 200, 1);
        EXPECT_NEAR(c.green(), 120, 1);
        EXPECT_NEAR(c.blue(), 40, 1);
        EXPECT_EQ(c.alpha(), 255);
    }
    EXPECT_TRUE(OverlayBackdrop::blurred(QImage()).isNull());
    EXPECT_EQ(OverlayBackdrop::blurred(QImage(2, 2, QImage::Format_RGB32)).size(), QSize(1, 1));

    // A hard edge becomes soft.
    const DisplaySnapshot s = checkerDisplay();
    const QImage soft = OverlayBackdrop::blurred(s.image);
    const int inside = red(soft, 100, 75), edge = red(soft, 75, 75), outside = red(soft, 60, 75);
    EXPECT_LT(inside, 30);
    EXPECT_GT(edge, 60);
    EXPECT_LT(edge, 200);
    EXPECT_GT(outside, 220);
}

TEST(OverlayBackdropTest, FrozenImageScale) {
    EXPECT_EQ(OverlayBackdrop::frozenImageScale({1, QRectF(0, 0, 1440, 900), QImage(2880, 1800, QImage::Format_RGB32)}),
              2);
    EXPECT_EQ(OverlayBackdrop::frozenImageScale({1, QRectF(0, 0, 0.5, 900), QImage(100, 1800, QImage::Format_RGB32)}),
              100);
}

TEST(OverlayBackdropTest, AreaModeDimsAroundTheSelection) {
    const DisplaySnapshot s = checkerDisplay();
    const QImage none = render(s, {}, OverlayMode::area, std::nullopt, std::nullopt);
    EXPECT_NEAR(red(none, 10, 10), dimmedWhite(0.28), 1);

    const QImage selected = render(s, {}, OverlayMode::area, QRectF(20, 20, 100, 80), std::nullopt);
    EXPECT_EQ(red(selected, 50, 50), 255) << "the selection is a clear hole";
    EXPECT_NEAR(red(selected, 10, 10), dimmedWhite(0.56), 1);
    EXPECT_NEAR(red(selected, 300, 250), dimmedWhite(0.56), 1);
    EXPECT_LT(red(selected, 200, 150), 10) << "the frozen image shows through, stretched to points";
    selected.save(testsupport::outputPath(QStringLiteral("overlay-area.png")));
}

TEST(OverlayBackdropTest, WindowModeBlursAndLeavesTheHoveredWindowSharp) {
    const DisplaySnapshot s = checkerDisplay();
    const QImage blurred = OverlayBackdrop::blurred(s.image);
    const QImage nothing = render(s, blurred, OverlayMode::window, std::nullopt, std::nullopt);
    EXPECT_NEAR(red(nothing, 10, 10), dimmedWhite(0.62), 2);

    const QRectF window(100, 50, 200, 200); // holds the black square with a white margin
    const QImage hovered = render(s, blurred, OverlayMode::window, std::nullopt, window);
    hovered.save(testsupport::outputPath(QStringLiteral("overlay-window.png")));
    EXPECT_EQ(red(hovered, 149, 99), 255) << "sharp white just outside the square";
    EXPECT_EQ(red(hovered, 151, 101), 0) << "sharp black just inside it";
    EXPECT_NEAR(red(hovered, 10, 10), dimmedWhite(0.62), 2);
    // The rounded corner leaves the window's very corner dimmed.
    EXPECT_LT(red(hovered, 100, 50), 200);
    EXPECT_EQ(red(hovered, 112, 62), 255);

    // Without a blurred copy the sharp image is dimmed instead.
    const QImage fallback = render(s, QImage(), OverlayMode::window, std::nullopt, std::nullopt);
    EXPECT_LT(red(fallback, 200, 150), 10);
    EXPECT_NEAR(red(fallback, 10, 10), dimmedWhite(0.62), 2);
}
