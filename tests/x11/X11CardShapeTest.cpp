#include "X11Fixture.h"

#include "platform/WindowHints.h"
#include "widgets/CardShape.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QTest>

using namespace x11test;

namespace {

// Counts the presses a window gets.
class Presses final : public QObject {
public:
    explicit Presses(QWidget *window) : QObject(window) { window->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::MouseButtonPress) ++count;
        return QObject::eventFilter(watched, event);
    }
};

void clickAt(QPoint point) {
    xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

} // namespace

using X11CardShapeTest = X11Test;

// A quick-panel-sized window, its 340 × 300 card 24 in from each side, over a window of ours: a click on
// the shadow's margin or on a rounded corner reaches the window beneath, one on the card the card's.
TEST_F(X11CardShapeTest, OnlyTheCardTakesThePointerWithOrWithoutACompositor) {
    QWidget &beneath = ownWindow(Qt::darkCyan, QRect(100, 100, 700, 650));
    Presses beneathPresses(&beneath);

    bool composited = true; // what the window is told, with or without a compositor on this server
    QWidget window;
    window.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::X11BypassWindowManagerHint);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.setGeometry(200, 200, 388, 348);
    const QRect card(24, 24, 340, 300);
    auto *shape = new CardShape(
        &window, [&] { return Theme::continuousRoundedRect(QRectF(card), 16); }, [&] { return composited; });
    Presses cardPresses(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, testsupport::patienceMs));
    ASSERT_FALSE(shape->cut());

    const QRegion cardPixels = CardShape::mask(Theme::continuousRoundedRect(QRectF(card), 16), false);
    const std::optional<QRegion> taking = platform::inputRegion(window.windowHandle());
    ASSERT_TRUE(taking);
    EXPECT_EQ(*taking, cardPixels);

    const QPoint origin = window.geometry().topLeft();
    for (const QPoint margin : {QPoint(10, 10), QPoint(370, 330), QPoint(190, 335), QPoint(25, 25)}) {
        clickAt(origin + margin);
        EXPECT_TRUE(testsupport::becomes([&] { return beneathPresses.count == 1; }))
            << "a click at " << margin.x() << "," << margin.y() << " of the window did not reach what lies beneath";
        EXPECT_EQ(cardPresses.count, 0) << margin.x() << "," << margin.y();
        beneathPresses.count = 0;
    }
    clickAt(origin + card.center());
    EXPECT_TRUE(testsupport::becomes([&] { return cardPresses.count == 1; }));
    EXPECT_EQ(beneathPresses.count, 0);

    // The compositor goes: the window is cut to its card, which alone still takes the pointer.
    composited = false;
    emit platform::CompositorWatch::shared().changed();
    EXPECT_TRUE(shape->cut());
    EXPECT_EQ(platform::inputRegion(window.windowHandle()), std::optional<QRegion>(cardPixels));

    // A window that asks for no input, as the toast does, lets every click through.
    QWidget passive;
    passive.setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::X11BypassWindowManagerHint);
    passive.setGeometry(200, 580, 368, 124);
    new CardShape(
        &passive, [&] { return Theme::continuousRoundedRect(QRectF(passive.rect()).adjusted(24, 24, -24, -24), 16); },
        [] { return true; });
    passive.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&passive, testsupport::patienceMs));
    EXPECT_TRUE(testsupport::becomes(
        [&] { return platform::inputRegion(passive.windowHandle()) == std::optional<QRegion>(QRegion()); }));
    Presses passivePresses(&passive);
    clickAt(passive.geometry().center());
    EXPECT_TRUE(testsupport::becomes([&] { return beneathPresses.count == 1; }));
    EXPECT_EQ(passivePresses.count, 0);
}
