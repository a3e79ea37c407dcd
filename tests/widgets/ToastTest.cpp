#include "support/TestSupport.h"
#include "widgets/Toast.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

TEST(ToastTest, ReplacesAtOnceAndHidesAfterItsTime) {
    QImage thumb(120, 80, QImage::Format_ARGB32_Premultiplied);
    thumb.fill(QColor(90, 120, 200));
    Toast::show(thumb, QStringLiteral("Copiado"), QStringLiteral("Cole com ⌘V em qualquer app"));
    QPointer<QWidget> first = Toast::panel();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->size(), QSize(320, 76));
    EXPECT_TRUE(first->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(first->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);

    // Bottom centre of the screen's visible area, 40 above its bottom.
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(first->geometry().center().x(), visible.center().x());
    EXPECT_EQ(first->geometry().bottom(), visible.bottom() - 40);

    QTest::qWait(500);
    Toast::show(thumb, QStringLiteral("Copiado de novo"), QString());
    QPointer<QWidget> second = Toast::panel();
    ASSERT_NE(first.data(), second.data());
    EXPECT_TRUE(!first || !first->isVisible()); // gone at once, no fade
    QElapsedTimer clock;
    clock.start();
    // The second keeps its full time: still up at 1.7 s after it was shown, hidden after the fade.
    QTest::qWait(1700);
    EXPECT_TRUE(second && second->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !second || !second->isVisible(); }, 2000));
    EXPECT_TRUE(!second || !second->isVisible());
    EXPECT_GE(clock.elapsed(), 1800 + 200);

    ToastView card(thumb, QStringLiteral("Um título bem longo que não cabe numa linha só do cartão"), QStringLiteral("x"));
    EXPECT_EQ(card.size(), QSize(320, 76));
    card.grab().save(testsupport::outputPath(QStringLiteral("toast.png")));
}
