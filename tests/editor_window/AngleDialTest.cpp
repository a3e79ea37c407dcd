#include "editor_window/AngleDial.h"
#include "platform/StringTables.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
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

// Assistive technology reads the angle as the dial's value, "90 graus", and may turn it in steps of five.
TEST(AngleDialTest, TheAngleIsTheDialsAccessibleValue) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    AngleDial dial;
    dial.setAngle(90);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&dial);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Dial);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Direção do gradiente"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("90 graus"));
    dial.setAngle(1);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("1 grau"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("1 degree"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    dial.setAngle(90);
    EXPECT_EQ(accessible->text(QAccessible::Description), QString());
    QAccessibleValueInterface *value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 90);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 355);
    EXPECT_EQ(value->minimumStepSize().toInt(), 5);

    QSignalSpy edited(&dial, &AngleDial::angleEdited);
    value->setCurrentValue(47);
    ASSERT_EQ(edited.size(), 1);
    EXPECT_EQ(edited[0][0].toDouble(), 45);
    EXPECT_EQ(dial.angle(), 45);
    value->setCurrentValue(45); // the same angle: nothing to report
    value->setCurrentValue(QStringLiteral("não é número"));
    EXPECT_EQ(edited.size(), 1);
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("45 degrees"));
    platform::StringTables::setCurrentLanguage({});
}
