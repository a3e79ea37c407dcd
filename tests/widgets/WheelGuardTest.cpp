#include "support/Wheel.h"
#include "support/Waiting.h"
#include "widgets/Picker.h"
#include "widgets/TintedSlider.h"
#include "widgets/WheelGuard.h"

#include <QApplication>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A page taller than its scroll area, with a kit picker and slider and a plain combo box and spin box
// given the guard, each well inside the page.
struct GuardedPage {
    QScrollArea page;
    QWidget *content = new QWidget;
    Picker *picker = new Picker(160, content);
    TintedSlider *slider = new TintedSlider(Qt::white, content);
    QComboBox *combo = new QComboBox(content);
    QSpinBox *spin = new QSpinBox(content);

    GuardedPage() {
        content->setFixedSize(300, 1200);
        for (int i = 0; i < 5; ++i) picker->addChoice(QString::number(i), i);
        picker->setCurrentValue(2);
        picker->move(10, 400);
        slider->setRange(0, 10);
        slider->setValue(5);
        slider->setGeometry(10, 500, 160, 22);
        combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        combo->setCurrentIndex(1);
        combo->move(10, 600);
        WheelGuard::install(combo);
        WheelGuard::install(combo); // twice: one guard still
        spin->setRange(0, 10);
        spin->setValue(5);
        spin->move(10, 700);
        WheelGuard::install(spin);
        page.setWidget(content);
        page.resize(320, 240);
    }
    QList<QWidget *> controls() const { return {picker, slider, combo, spin}; }
    int scrolled() const { return page.verticalScrollBar()->value(); }
    // A notch over the middle of a control as the page shows it now.
    void wheelOver(QWidget *control, int notches) {
        page.ensureWidgetVisible(control);
        testsupport::wheelAt(&page, control->mapTo(&page, control->rect().center()), notches);
    }
};

} // namespace

TEST(WheelGuardTest, TheWheelScrollsThePageUntilTheControlIsClickedOrTabbedInto) {
    GuardedPage g;
    g.page.show();
    g.page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&g.page, testsupport::patienceMs));
    QSignalSpy chosen(g.picker, &Picker::chosen);
    // The focus the window gave its first control as it came up is not the user's choice.
    QWidget *focused = QApplication::focusWidget();
    EXPECT_EQ(focused, g.picker);
    for (QWidget *control : g.controls()) {
        SCOPED_TRACE(control->metaObject()->className());
        EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus);
        g.wheelOver(control, -1);
        const int before = g.scrolled();
        g.wheelOver(control, 1);
        EXPECT_LT(g.scrolled(), before); // up, as a wheel turned away from the user goes
        g.wheelOver(control, -1);
        EXPECT_EQ(g.scrolled(), before);
        // A wheel never moves the focus, whatever the control's own policy was.
        EXPECT_EQ(QApplication::focusWidget(), focused);
    }
    EXPECT_EQ(g.picker->currentValue(), QVariant(2));
    EXPECT_EQ(g.slider->value(), 5);
    EXPECT_EQ(g.combo->currentIndex(), 1);
    EXPECT_EQ(g.spin->value(), 5);
    EXPECT_TRUE(chosen.isEmpty());

    // Nor is a focus given from code.
    g.combo->setFocus(Qt::OtherFocusReason);
    g.wheelOver(g.combo, -1);
    EXPECT_EQ(g.combo->currentIndex(), 1);

    // Tabbed into, the picker takes the wheel as a choice of the user's, and the page stays.
    g.picker->setFocus(Qt::TabFocusReason);
    g.page.ensureWidgetVisible(g.picker);
    const int still = g.scrolled();
    g.wheelOver(g.picker, -1);
    EXPECT_EQ(g.picker->currentValue(), QVariant(3));
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0], QVariant(3));
    EXPECT_EQ(g.scrolled(), still);

    // Clicked into, the slider and the spin box do too.
    g.page.ensureWidgetVisible(g.slider);
    QTest::mouseClick(g.slider, Qt::LeftButton, {}, QPoint(g.slider->width() / 2, g.slider->height() / 2));
    ASSERT_TRUE(g.slider->hasFocus());
    const int clicked = g.slider->value();
    g.wheelOver(g.slider, 1);
    EXPECT_NE(g.slider->value(), clicked);
    g.page.ensureWidgetVisible(g.spin);
    QTest::mouseClick(g.spin->childAt(g.spin->rect().center()), Qt::LeftButton);
    ASSERT_TRUE(g.spin->hasFocus());
    g.wheelOver(g.spin, 1);
    EXPECT_EQ(g.spin->value(), 6);
}
