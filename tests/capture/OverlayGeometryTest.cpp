#include "capture/OverlayGeometry.h"

#include <gtest/gtest.h>

TEST(OverlayGeometryTest, HandlesAreFoundInTheirOrderWithinTwelvePoints) {
    const QRectF r(100, 100, 200, 100);
    struct Case {
        QPointF point;
        std::optional<Handle> expected;
    };
    const Case cases[] = {
        {{100, 100}, Handle{-1, -1}},   {{200, 100}, Handle{0, -1}},
        {{300, 100}, Handle{1, -1}},    {{100, 150}, Handle{-1, 0}},
        {{300, 150}, Handle{1, 0}},     {{100, 200}, Handle{-1, 1}},
        {{200, 200}, Handle{0, 1}},     {{300, 200}, Handle{1, 1}},
        {{200, 150}, std::nullopt},     {{312, 100}, Handle{1, -1}},
        {{312.001, 100}, std::nullopt}, {{300 + 12 * 0.6, 200 + 12 * 0.8}, Handle{1, 1}}, // exactly 12 away diagonally
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Handle::hit(c.point, r), c.expected) << c.point.x() << "," << c.point.y();
    }
    // On a tiny selection several handles are close: the top-left corner comes first.
    EXPECT_EQ(Handle::hit(QPointF(103, 103), QRectF(100, 100, 6, 6)), (Handle{-1, -1}));
    EXPECT_EQ(Handle::all.size(), 8u);
}

TEST(OverlayGeometryTest, ResizeFlipsAcrossTheOppositeEdgeAndKeepsFourPoints) {
    const QRectF r(100, 100, 200, 100);
    struct Case {
        Handle handle;
        QSizeF delta;
        QRectF expected;
    };
    const Case cases[] = {
        {{1, 1}, {10, 20}, {100, 100, 210, 120}}, {{-1, -1}, {10, 20}, {110, 120, 190, 80}},
        {{0, 1}, {50, 30}, {100, 100, 200, 130}}, // a middle handle ignores the other direction
        {{1, 0}, {-250, 40}, {50, 100, 50, 100}}, // dragged past the left edge: flipped
        {{-1, 0}, {199, 0}, {299, 100, 4, 100}},  // 1 point wide is raised to 4
    };
    for (const Case &c : cases) EXPECT_EQ(c.handle.resize(r, c.delta), c.expected);
    EXPECT_EQ((Handle{1, 1}).resize(QRectF(0, 0, 100, 100), QSizeF(-98, -99)), QRectF(0, 0, 4, 4));
}

TEST(OverlayGeometryTest, ClampSlidesInsideAndShrinksOnlyWhenLarger) {
    const QRectF bounds(0, 0, 1440, 900);
    EXPECT_EQ(OverlayGeometry::clamp(QRectF(-50, 10, 300, 200), bounds), QRectF(0, 10, 300, 200));
    EXPECT_EQ(OverlayGeometry::clamp(QRectF(-50, 10, 2000, 200), bounds), QRectF(0, 10, 1440, 200));
    EXPECT_EQ(OverlayGeometry::clamp(QRectF(1300, 800, 300, 200), bounds), QRectF(1140, 700, 300, 200));
    EXPECT_EQ(OverlayGeometry::clamp(QRectF(1500, 10, 100, 100), QRectF(1440, 0, 800, 600)),
              QRectF(1500, 10, 100, 100));
}

TEST(OverlayGeometryTest, DrawnRectAndLocalRectangles) {
    const QRectF display(1440, 0, 800, 600);
    EXPECT_EQ(OverlayGeometry::drawnRect({1600, 300}, {1500, 100}, display), QRectF(1500, 100, 100, 200));
    EXPECT_EQ(OverlayGeometry::drawnRect({1400, 100}, {1500, 200}, display), QRectF(1440, 100, 60, 100));
    EXPECT_EQ(OverlayGeometry::drawnRect({1500, 100}, {1500, 200}, display), QRectF(1500, 100, 0, 100));
    EXPECT_FALSE(OverlayGeometry::drawnRect({100, 100}, {200, 200}, display).has_value());

    const QRectF other(0, 0, 1440, 900);
    const QRectF selection(1500, 100, 100, 50);
    EXPECT_EQ(OverlayGeometry::localSelection(selection, display, display), QRectF(60, 100, 100, 50));
    // Made on another display: nothing here, even where the rectangles overlap globally.
    EXPECT_FALSE(OverlayGeometry::localSelection(QRectF(100, 100, 2000, 50), other, display).has_value());
    EXPECT_FALSE(OverlayGeometry::localSelection(QRectF(1500, 100, 0, 50), display, display).has_value());
    EXPECT_FALSE(OverlayGeometry::localSelection(std::nullopt, display, display).has_value());

    // A window across both displays shows its part on each.
    const QRectF window(1340, 50, 300, 200);
    EXPECT_EQ(OverlayGeometry::localWindow(window, display), QRectF(0, 50, 200, 200));
    EXPECT_EQ(OverlayGeometry::localWindow(window, other), QRectF(1340, 50, 100, 200));
    EXPECT_FALSE(OverlayGeometry::localWindow(QRectF(100, 100, 200, 200), display).has_value());
    EXPECT_FALSE(OverlayGeometry::localWindow(QRectF(1240, 100, 200, 200), display).has_value()) << "edge only";

    EXPECT_EQ(OverlayGeometry::toGlobal(OverlayGeometry::toLocal(QPointF(1500, 20), display), display),
              QPointF(1500, 20));
}

TEST(OverlayGeometryTest, PlacementRules) {
    const QSizeF display(1440, 900);
    using namespace OverlayGeometry;
    EXPECT_EQ(areaSizeLabelCenter(QRectF(1400, 300, 30, 30), display), QPointF(1382, 282));
    EXPECT_EQ(areaSizeLabelCenter(QRectF(0, 20, 30, 30), display), QPointF(58, 38));
    EXPECT_EQ(areaSizeLabelCenter(QRectF(100, 34, 30, 30), display), QPointF(144, 52));

    EXPECT_EQ(windowSizeLabelCenter(QRectF(100, 100, 400, 300), display), QPointF(450, 422));
    EXPECT_EQ(windowSizeLabelCenter(QRectF(0, 100, 60, 700), display), QPointF(58, 778));

    EXPECT_EQ(windowBadgeCenter(QRectF(100, 100, 400, 300), display), QPointF(300, 250));
    EXPECT_EQ(windowBadgeCenter(QRectF(100, 100, 400, 140), display), QPointF(300, 274));
    EXPECT_EQ(windowBadgeCenter(QRectF(100, 700, 400, 100), display), QPointF(300, 780));

    EXPECT_EQ(toolbarCenter(QRectF(100, 100, 100, 100), display, true), QPointF(188, 247));
    EXPECT_EQ(toolbarCenter(QRectF(1300, 100, 100, 100), display, false), QPointF(1252, 234));
    EXPECT_EQ(toolbarCenter(QRectF(500, 600, 200, 200), display, true), QPointF(600, 553));
    EXPECT_EQ(toolbarCenter(QRectF(500, 50, 200, 800), display, true), QPointF(600, 803));

    const HintPlacement plain = hintCard(QPointF(100, 100), display);
    EXPECT_EQ(plain.center, QPointF(253, 144));
    EXPECT_FALSE(plain.flippedLeft || plain.flippedUp);
    const HintPlacement corner = hintCard(QPointF(1200, 750), display);
    EXPECT_EQ(corner.center, QPointF(1047, 706));
    EXPECT_TRUE(corner.flippedLeft && corner.flippedUp);
}
