#pragma once

#include "platform/ScreenServices.h"
#include "support/Waiting.h"
#include "support/XvfbServer.h"

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

namespace x11test {

// The server this test program runs on (started by its main before the application object).
testsupport::XvfbServer *server();

// A window of one colour in a process of its own.
struct HelperWindow {
    std::unique_ptr<QProcess> process;
    quint32 id = 0;
    qint32 pid = 0;
    QString className;
    QColor color;
};

struct HelperSpec {
    QString className;
    QColor color;
    QRect geometry;
    double opacity = 1;
    bool minimized = false;
};

// Starts helper windows, shows our own windows and gives every test fresh screen services.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a helper and waits until its window is on screen (or minimised).
    const HelperWindow &spawn(const HelperSpec &spec);
    // A window of this process, which captures must never show.
    QWidget &ownWindow(const QColor &color, const QRect &geometry);
    // Paints the desktop (the root window's background) in one colour until the test ends.
    void paintDesktop(const QColor &color);
    // Removes a property from a window of another process, as many X clients never set it.
    void removeProperty(quint32 window, const char *name);
    // Waits until the active window belongs to `pid`.
    bool waitForFrontmost(qint32 pid);

    std::shared_ptr<platform::ScreenServices> services;
    std::deque<HelperWindow> helpers; // a deque keeps references stable
    std::vector<std::unique_ptr<QWidget>> ownWindows;
};

// Runs xdotool (keys and pointer events the X server delivers as from a device); fails the test if it does.
// xdotool ends with a round trip, so the server has carried out its input once it has ended.
inline void xdotool(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(process.waitForFinished(testsupport::patienceMs));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
}

// Waits until this process has caught up with the X server: the server has carried out every request
// we sent (key grabs, a window shown), every event it made before now has passed through Qt and our
// code (xdotool's keys and pointer, a new modifier map), and what they posted has been handled. For a
// test that must see what a key did, or that it did nothing.
bool caughtUp();

// Waits until the window manager has handled everything the server told it before now (a window
// mapped, restacked or gone, and the focus that followed); at once without a window manager.
bool windowManagerCaughtUp();

// The colour of a pixel, without alpha.
inline QColor colorAt(const QImage &image, QPointF point) { return QColor(image.pixel(point.toPoint())).toRgb(); }

} // namespace x11test
