#include "editor_window/AngleDial.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace {

// The point on a 64-point dial at `degrees` from straight up, clockwise.
QPointF at(double degrees) {
    const double t = degrees * std::numbers::pi / 180;
    return {32 + 20 * std::sin(t), 32 - 20 * std::cos(t)};
}

} // namespace

TEST(AngleDialTest, ThePointerGivesAnAngleFromUpClockwiseInStepsOfFive) {
    const QSizeF size(64, 64);
    EXPECT_EQ(AngleDial::angleAt({60, 32}, size), 90);
    EXPECT_EQ(AngleDial::angleAt({32, 60}, size), 180);
    EXPECT_EQ(AngleDial::angleAt({4, 32}, size), 270);
    EXPECT_EQ(AngleDial::angleAt(at(-1), size), 0); // 359 rounds to 360, which wraps
    EXPECT_EQ(AngleDial::angleAt(at(43), size), 45);
    EXPECT_EQ(AngleDial::snapped(2.5), 5);
    EXPECT_EQ(AngleDial::snapped(2.4), 0);
}

TEST(AngleDialTest, APressSetsTheAngleAndADragFollows) {
    AngleDial dial;
    dial.show();
    QSignalSpy edited(&dial, &AngleDial::angleEdited);
    QTest::mousePress(&dial, Qt::LeftButton, {}, QPoint(60, 32));
    QTest::mouseMove(&dial, QPoint(32, 60));
    QTest::mouseRelease(&dial, Qt::LeftButton, {}, QPoint(32, 60));
    ASSERT_EQ(edited.size(), 2);
    EXPECT_EQ(edited[0][0].toDouble(), 90);
    EXPECT_EQ(dial.angle(), 180);
}
