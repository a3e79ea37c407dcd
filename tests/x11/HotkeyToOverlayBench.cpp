// Hot-key press to the overlay's first painted frame on the real X server, through the whole road:
// the key grab, the hot-key manager, the capture service, the frozen display and the overlay window.
// A measurement, not a check: run with
//   tests_x11 --gtest_also_run_disabled_tests --gtest_filter='*HotkeyToOverlay*'
#include "X11Fixture.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include "capture/CaptureService.h"
#include "capture/HotkeyManager.h"
#include "capture/OverlayView.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The X server's clock, read through a property change on a window of a connection of our own.
class ServerClock {
public:
    ServerClock() {
        m_connection = xcb_connect(nullptr, nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~ServerClock() { xcb_disconnect(m_connection); }

    xcb_timestamp_t now() {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 1,
                            "x");
        xcb_flush(m_connection);
        while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
            const bool property = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            const xcb_timestamp_t time = property ? reinterpret_cast<xcb_property_notify_event_t *>(event)->time : 0;
            std::free(event);
            if (property) return time;
        }
        return 0;
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_window;
};

// Notes the server time of every key press on the root window (the grabbed ones), then lets it pass.
class KeyTimes : public QAbstractNativeEventFilter {
public:
    xcb_timestamp_t last = 0;
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t") return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
            last = reinterpret_cast<const xcb_key_press_event_t *>(event)->time;
        }
        return false;
    }
};

// Notes when an overlay window has painted (the next turn, after the frame went to the server).
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && qobject_cast<OverlayView *>(watched) && !m_pending && !painted) {
            m_pending = true;
            QTimer::singleShot(0, this, [this] {
                m_pending = false;
                painted = true;
            });
        }
        return false;
    }

private:
    bool m_pending = false;
};

// Waits in a real event loop (QTest::qWaitFor sleeps 10 ms between its turns, which would be measured).
bool waitUntil(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace

// Measured as the program runs: with its workers lowered, as the other tests are not.
class HotkeyBench : public x11test::X11Test {
    testsupport::ScopedEnvironment m_tuning{"PELICARTA_NO_TUNING", QString()};
};

TEST_F(HotkeyBench, DISABLED_HotkeyToOverlayFirstFrame) {
    HotkeyManager &manager = HotkeyManager::shared(); // creates the key grabs' event filter first
    manager.start();
    QCoreApplication::processEvents();
    ASSERT_TRUE(manager.failed().isEmpty());
    KeyTimes keyTimes;
    qApp->installNativeEventFilter(&keyTimes); // installed last: sees the press first
    FirstPaint firstPaint;
    qApp->installEventFilter(&firstPaint);
    ServerClock clock;

    QElapsedTimer clientClock;
    clientClock.start();
    qint64 activatedAt = 0;
    QObject::connect(&manager, &HotkeyManager::activated, &manager, [&] { activatedAt = clientClock.elapsed(); });
    std::vector<double> latencies, afterActivation;
    for (int run = 0; run < 15; ++run) {
        firstPaint.painted = false;
        keyTimes.last = 0;
        // Started, not waited for: the event loop must be free when the press arrives.
        QProcess::startDetached(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--delay"),
                                                            QStringLiteral("0"), QStringLiteral("alt+shift+a")});
        ASSERT_TRUE(waitUntil([&] { return firstPaint.painted; }, testsupport::patienceMs)) << "no overlay frame";
        afterActivation.push_back(double(clientClock.elapsed() - activatedAt));
        const xcb_timestamp_t painted = clock.now();
        const xcb_timestamp_t pressed = keyTimes.last;
        ASSERT_NE(pressed, 0u);
        latencies.push_back(double(painted - pressed));
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        ASSERT_TRUE(testsupport::becomes([] { return !CaptureService::overlayIsUp() && !CaptureService::isBusy(); }));
        // Past the hot keys' auto-repeat window on the server's clock (a press soon after the last one may
        // be taken for a repeat).
        ASSERT_TRUE(testsupport::becomes([&] { return clock.now() - pressed > 300; }));
    }
    qApp->removeEventFilter(&firstPaint);
    qApp->removeNativeEventFilter(&keyTimes);
    std::sort(latencies.begin(), latencies.end());
    std::sort(afterActivation.begin(), afterActivation.end());
    std::printf("of which from the hot key's activation to the frame: median %.0f ms\n",
                afterActivation[afterActivation.size() / 2]);
    std::printf("hot key to first overlay frame, 1920x1080: median %.0f ms (min %.0f, max %.0f) over %zu runs\n",
                latencies[latencies.size() / 2], latencies.front(), latencies.back(), latencies.size());
}

#include "capture/OverlayController.h"
#include "capture/ScreenCapturer.h"

// Where the time goes once the capture starts.
TEST_F(HotkeyBench, DISABLED_OverlayStages) {
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        auto session = ScreenCapturer::prepareSession();
        const qint64 prepared = t.elapsed();
        ASSERT_TRUE(session);
        FirstPaint paint;
        qApp->installEventFilter(&paint);
        OverlayController controller(session.value(), OverlayModel::Mode::area, [](std::optional<OverlayResult>) {});
        controller.show();
        const qint64 shown = t.elapsed();
        ASSERT_TRUE(waitUntil([&] { return paint.painted; }, testsupport::patienceMs));
        const qint64 painted = t.elapsed();
        qApp->removeEventFilter(&paint);
        std::printf("freeze the display %lld ms, show (backdrop blur, windows) %lld ms, to the first frame %lld ms\n",
                    prepared, shown - prepared, painted - shown);
        controller.handleKey(53, false, false);
        // The next run starts from a screen without the overlay.
        ASSERT_TRUE(testsupport::becomes([&] { return controller.views().isEmpty(); }));
        ASSERT_TRUE(x11test::caughtUp());
    }
}

// Freezing the display with and without a window of ours on screen: ours must first leave the screen
// and what it covered be repainted.
TEST_F(HotkeyBench, DISABLED_FreezeWithOurWindowShowing) {
    spawn({QStringLiteral("Fundo"), QColor(0x20, 0x80, 0x40), QRect(100, 100, 900, 600)});
    auto median = [this](int runs) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer t;
            t.start();
            EXPECT_TRUE(ScreenCapturer::prepareSession().ok());
            times.push_back(double(t.elapsed()));
            // Each run starts with our windows back on the screen and the window manager done with them.
            for (const auto &own : ownWindows)
                EXPECT_TRUE(testsupport::becomes([&] {
                    const auto d = services->window(quint32(own->winId()));
                    return own->isVisible() && d && d->onScreen;
                }));
            EXPECT_TRUE(x11test::windowManagerCaughtUp());
        }
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double alone = median(9);
    ownWindow(QColor(0xff, 0x00, 0xff), QRect(300, 200, 1240, 800));
    const double withOurs = median(9);
    std::printf("freeze the display, 1920x1080: median %.0f ms with none of our windows, %.0f ms with one showing\n",
                alone, withOurs);
}
