#include "X11Fixture.h"

#include "capture/OverlayController.h"
#include "capture/OverlayView.h"
#include "capture/ScreenCapturer.h"
#include "core/Settings.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <functional>

#include <xcb/xcb.h>

using namespace x11test;

namespace {

// Waits until what xdotool sent has reached the overlay.
void delivered() { EXPECT_TRUE(caughtUp()); }

class X11OverlayTest : public X11Test {
protected:
    std::optional<std::optional<OverlayResult>> result;
    int completions = 0;
    std::unique_ptr<OverlayController> controller;

    void showOverlay(OverlayModel::Mode mode) {
        const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
        ASSERT_TRUE(session.ok()) << session.error().message().toStdString();
        controller = std::make_unique<OverlayController>(session.value(), mode, [this](std::optional<OverlayResult> r) {
            result = std::move(r);
            ++completions;
        });
        controller->show();
        ASSERT_FALSE(controller->views().isEmpty());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->views().first(), testsupport::patienceMs));
        // The server has given it the keyboard and the pointer.
        delivered();
    }

    // Waits for the overlay to reach a state: a busy machine delivers the pointer and the keys late, never
    // out of order.
    static bool becomes(const std::function<bool()> &state) { return testsupport::becomes(state); }
    bool selectionBecomes(const QRectF &rect) {
        return becomes([&] { return controller->model().selection() == rect; });
    }
    bool waitForResult() {
        return becomes([&] { return completions > 0; });
    }

    static void screenshot(const QString &name) {
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), testsupport::outputPath(name)});
    }
};

// The colour the server shows at a point right after an overlay window's first frame went out.
class FirstFrameProbe : public QObject {
public:
    explicit FirstFrameProbe(QPoint at) : m_at(at) { qApp->installEventFilter(this); }
    ~FirstFrameProbe() override { qApp->removeEventFilter(this); }
    std::optional<QColor> color;

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && qobject_cast<OverlayView *>(watched) && !m_pending) {
            m_pending = true;
            QTimer::singleShot(0, this, [this] { read(); }); // after the frame was flushed
        }
        return false;
    }

private:
    void read() {
        // Qt's own connection: the read is served after the frame Qt sent.
        xcb_connection_t *c = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_get_image_reply_t *reply = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(m_at.x()), int16_t(m_at.y()), 1, 1, ~0u),
            nullptr);
        if (!reply) return;
        const uint8_t *bgrx = xcb_get_image_data(reply);
        color = QColor(bgrx[2], bgrx[1], bgrx[0]);
        std::free(reply);
    }

    QPoint m_at;
    bool m_pending = false;
};

} // namespace

TEST_F(X11OverlayTest, DragThenReturnGivesTheAreaCutFromTheFrozenScreen) {
    spawn({QStringLiteral("Fundo"), QColor(0x20, 0xb0, 0x40), QRect(50, 50, 700, 500)});
    showOverlay(OverlayModel::Mode::area);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("100"), QStringLiteral("mousedown"),
             QStringLiteral("1")});
    delivered();
    xdotool({QStringLiteral("mousemove"), QStringLiteral("300"), QStringLiteral("250")});
    delivered();
    xdotool({QStringLiteral("mousemove"), QStringLiteral("500"), QStringLiteral("400")});
    delivered();
    screenshot(QStringLiteral("overlay-x11-drawing.png"));
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    delivered();
    screenshot(QStringLiteral("overlay-x11-adjusting.png"));
    // Arrows nudge by one point, Shift+arrows by ten.
    xdotool({QStringLiteral("key"), QStringLiteral("Right")});
    xdotool({QStringLiteral("key"), QStringLiteral("shift+Down")});
    EXPECT_TRUE(selectionBecomes(QRectF(101, 110, 400, 300)));
    xdotool({QStringLiteral("key"), QStringLiteral("Left"), QStringLiteral("shift+Up")});
    EXPECT_TRUE(selectionBecomes(QRectF(100, 100, 400, 300)));
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(waitForResult());
    ASSERT_TRUE(result->has_value());
    const OverlayResult &r = **result;
    EXPECT_EQ(r.kind, OverlayResult::Kind::area);
    EXPECT_EQ(r.rect, QRectF(100, 100, 400, 300));
    EXPECT_EQ(r.image.size(), QSize(400, 300));
    EXPECT_EQ(r.displayID, controller->session().snapshots.first().displayID);
    EXPECT_EQ(colorAt(r.image, QPointF(200, 150)), QColor(0x20, 0xb0, 0x40));
}

TEST_F(X11OverlayTest, EscapeGivesNothingAndAltArrowsResize) {
    showOverlay(OverlayModel::Mode::area);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200"), QStringLiteral("mousedown"),
             QStringLiteral("1"), QStringLiteral("mousemove"), QStringLiteral("260"), QStringLiteral("240"),
             QStringLiteral("mousemove"), QStringLiteral("300"), QStringLiteral("260"), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    ASSERT_TRUE(selectionBecomes(QRectF(200, 200, 100, 60)));
    for (int i = 0; i < 12; ++i) xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+Left")});
    EXPECT_TRUE(selectionBecomes(QRectF(200, 200, 4, 60)));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(waitForResult());
    EXPECT_FALSE(result->has_value());
    EXPECT_TRUE(controller->views().isEmpty());
}

TEST_F(X11OverlayTest, SpaceSwitchesToWindowsAndAClickTakesOne) {
    const HelperWindow &red = spawn({QStringLiteral("Vermelha"), QColor(0xd0, 0x20, 0x20), QRect(100, 100, 400, 300)});
    spawn({QStringLiteral("Azul"), QColor(0x20, 0x40, 0xd0), QRect(700, 200, 400, 300)});
    showOverlay(OverlayModel::Mode::area);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("300"), QStringLiteral("250")});
    delivered();
    xdotool({QStringLiteral("key"), QStringLiteral("space")});
    EXPECT_TRUE(becomes([&] { return controller->model().mode() == OverlayModel::Mode::window; }));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("320"), QStringLiteral("260")});
    ASSERT_TRUE(becomes([&] { return controller->model().hoveredWindow().has_value(); }));
    EXPECT_EQ(controller->model().hoveredWindow()->id, red.id);
    screenshot(QStringLiteral("overlay-x11-window.png"));
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(waitForResult());
    ASSERT_TRUE(result->has_value());
    EXPECT_EQ((*result)->kind, OverlayResult::Kind::window);
    EXPECT_EQ((*result)->window.id, red.id);
    EXPECT_EQ((*result)->window.ownerPID, red.pid);
}

TEST_F(X11OverlayTest, InstantReleaseConfirmsOnMouseUp) {
    auto &defaults = platform::UserDefaults::standard();
    defaults.setString(Settings::areaRelease.key(), QStringLiteral("instant"));
    showOverlay(OverlayModel::Mode::area);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("40"), QStringLiteral("40"), QStringLiteral("mousedown"),
             QStringLiteral("1"), QStringLiteral("mousemove"), QStringLiteral("90"), QStringLiteral("70"),
             QStringLiteral("mousemove"), QStringLiteral("140"), QStringLiteral("90"), QStringLiteral("mouseup"),
             QStringLiteral("1")});
    const bool done = waitForResult();
    defaults.remove(Settings::areaRelease.key());
    ASSERT_TRUE(done);
    ASSERT_TRUE(result->has_value());
    EXPECT_EQ((*result)->rect, QRectF(40, 40, 100, 50));
}

// The overlay's window is kept between captures; the next capture's first frame shows the screen as it is
// then, dimmed, never the previous capture's.
TEST_F(X11OverlayTest, TheNextOverlayShowsItsOwnScreenFromItsFirstFrame) {
    xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200")});
    paintDesktop(QColor(0xd0, 0x20, 0x20));
    showOverlay(OverlayModel::Mode::area);
    const WId window = controller->views().first()->winId();
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(waitForResult());

    paintDesktop(QColor(0x20, 0x40, 0xd0));
    FirstFrameProbe probe(QPoint(1500, 400));
    completions = 0;
    showOverlay(OverlayModel::Mode::area);
    EXPECT_EQ(controller->views().first()->winId(), window);
    ASSERT_TRUE(becomes([&] { return probe.color.has_value(); }));
    // The blue desktop under the overlay's first dimming (0.28 of a near black).
    EXPECT_NEAR(probe.color->blue(), 153, 10) << probe.color->name().toStdString();
    EXPECT_NEAR(probe.color->red(), 25, 10) << probe.color->name().toStdString();
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(waitForResult());
}
