#include "X11Fixture.h"

#include "capture/ScreenCapturer.h"
#include "capture/ScreenPermission.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace x11test;

namespace {

const QColor kRed(0xd0, 0x20, 0x20);
const QColor kGreen(0x20, 0xb0, 0x40);
const QColor kBlue(0x20, 0x40, 0xd0);
const QColor kYellow(0xf0, 0xe0, 0x10);
const QColor kOwn(0xff, 0x00, 0xff);

// Waits for a window capture and returns its outcome.
CaptureResult<QImage> captureWindowAndWait(const WindowInfo &info, std::optional<qint32> frontmost, bool returnFocus) {
    std::optional<CaptureResult<QImage>> outcome;
    QObject context;
    ScreenCapturer::captureWindow(info, frontmost, returnFocus, &context,
                                  [&](CaptureResult<QImage> r) { outcome.emplace(std::move(r)); });
    EXPECT_TRUE(testsupport::becomes([&] { return outcome.has_value(); }));
    return outcome ? *outcome : CaptureResult<QImage>(CaptureError::Kind::windowHidden);
}

// A grab whose pixels are read off the GUI thread, waited for; it must answer after the call.
CaptureResult<QImage> readLater(const std::function<void(QObject *, ScreenCapturer::ImageCallback)> &grab) {
    std::optional<CaptureResult<QImage>> outcome;
    QObject context;
    grab(&context, [&](CaptureResult<QImage> r) { outcome.emplace(std::move(r)); });
    EXPECT_FALSE(outcome.has_value()) << "answered inside the call";
    EXPECT_TRUE(testsupport::becomes([&] { return outcome.has_value(); }));
    return outcome ? *outcome : CaptureResult<QImage>(CaptureError::Kind::noDisplay);
}

WindowInfo infoOf(platform::ScreenServices &services, quint32 id) {
    const std::optional<platform::WindowDescription> d = services.window(id);
    EXPECT_TRUE(d.has_value());
    return d ? WindowInfo{d->number, d->frame, d->ownerName, d->ownerPID.value_or(0)} : WindowInfo{};
}

// The image's colour at the centre of the part of `frame` given in fractions of its size.
QColor sample(const QImage &image, const QRectF &frame, double fx, double fy) {
    return colorAt(image, QPointF(frame.x() + frame.width() * fx, frame.y() + frame.height() * fy));
}

} // namespace

TEST_F(X11Test, SessionListsPickableWindowsAndFreezesTheScreenWithoutOurs) {
    const QColor desktop(0x30, 0x60, 0x90);
    paintDesktop(desktop);
    const HelperWindow &red = spawn({QStringLiteral("Vermelha"), kRed, QRect(100, 100, 400, 300)});
    // 38 pixels and openbox's one-pixel borders make a window 40 pixels wide.
    const HelperWindow &narrow = spawn({QStringLiteral("Estreita"), kBlue, QRect(700, 100, 38, 300)});
    spawn({QStringLiteral("Invisivel"), kYellow, QRect(900, 100, 300, 300), 0.0});
    const HelperWindow &green = spawn({QStringLiteral("Verde"), kGreen, QRect(300, 250, 400, 300)});
    // Our own window over the lower-left corner of the red one.
    ownWindow(kOwn, QRect(60, 380, 200, 140));

    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok()) << session.error().message().toStdString();

    ASSERT_EQ(services->window(narrow.id)->frame.width(), 40);

    // Front-most first; not the 40-pixel-wide window, not the transparent one, never ours.
    ASSERT_EQ(session.value().windows.size(), 2);
    const WindowInfo &front = session.value().windows[0];
    const WindowInfo &back = session.value().windows[1];
    EXPECT_EQ(front.id, green.id);
    EXPECT_EQ(front.ownerPID, green.pid);
    EXPECT_EQ(front.appName, QStringLiteral("Verde"));
    EXPECT_EQ(back.id, red.id);
    EXPECT_EQ(back.ownerPID, red.pid);
    EXPECT_EQ(back.appName, QStringLiteral("Vermelha"));
    EXPECT_GE(back.frame.width(), 400); // decorations included
    EXPECT_GE(back.frame.height(), 300);

    ASSERT_EQ(session.value().snapshots.size(), 1);
    const DisplaySnapshot &display = session.value().snapshots[0];
    EXPECT_EQ(display.bounds, QRectF(0, 0, 1920, 1080));
    ASSERT_EQ(display.image.size(), QSize(1920, 1080));
    display.image.save(testsupport::outputPath(QStringLiteral("x11-session.png")));

    EXPECT_EQ(sample(display.image, back.frame, 0.3, 0.3), kRed);
    EXPECT_EQ(sample(display.image, front.frame, 0.7, 0.7), kGreen);
    // Where our window is, the red window beneath shows, and the desktop beside it, never a black hole.
    EXPECT_EQ(colorAt(display.image, QPointF(180, 390)), kRed);
    EXPECT_EQ(colorAt(display.image, QPointF(70, 500)), desktop);
    for (int y = 380; y < 520; y += 7)
        for (int x = 60; x < 260; x += 7) ASSERT_NE(colorAt(display.image, QPointF(x, y)), kOwn) << x << "," << y;

    // The hover lookups of the overlay.
    const std::optional<WindowInfo> hovered = session.value().window(front.frame.center());
    ASSERT_TRUE(hovered.has_value());
    EXPECT_EQ(hovered->id, green.id);
    EXPECT_EQ(session.value().snapshot(QPointF(10, 10)), &display);
}

TEST_F(X11Test, AWindowWithoutAProcessIdCanBePickedAndTaken) {
    const HelperWindow &plain = spawn({QStringLiteral("SemPid"), kBlue, QRect(200, 200, 300, 200)});
    removeProperty(plain.id, "_NET_WM_PID");
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    const std::optional<WindowInfo> picked = session.value().window(QPointF(350, 300));
    ASSERT_TRUE(picked.has_value()) << "not offered for picking";
    EXPECT_EQ(picked->id, plain.id);
    // The server names the process that made the window, and WM_CLASS its application.
    EXPECT_EQ(picked->ownerPID, plain.pid);
    EXPECT_EQ(picked->appName, QStringLiteral("SemPid"));
    const CaptureResult<QImage> image = captureWindowAndWait(*picked, std::nullopt, false);
    ASSERT_TRUE(image.ok()) << image.error().message().toStdString();
    EXPECT_EQ(colorAt(image.value(), QPointF(image.value().width() / 2.0, image.value().height() * 0.6)), kBlue);
}

TEST_F(X11Test, CoveredWindowComesBackInItsOwnColors) {
    const HelperWindow &red = spawn({QStringLiteral("Coberta"), kRed, QRect(100, 100, 400, 300)});
    const HelperWindow &green = spawn({QStringLiteral("Cobre"), kGreen, QRect(150, 150, 500, 400)});
    ASSERT_TRUE(waitForFrontmost(green.pid));

    // The red window's application counts as frontmost, so the image is read without activation.
    const WindowInfo info = infoOf(*services, red.id);
    const CaptureResult<QImage> image = captureWindowAndWait(info, red.pid, false);
    ASSERT_TRUE(image.ok()) << image.error().message().toStdString();
    image.value().save(testsupport::outputPath(QStringLiteral("x11-covered-window.png")));
    EXPECT_EQ(image.value().size(), info.frame.size().toSize());
    EXPECT_EQ(colorAt(image.value(), QPointF(image.value().width() * 0.6, image.value().height() * 0.7)), kRed);
    EXPECT_EQ(colorAt(image.value(), QPointF(image.value().width() * 0.9, image.value().height() * 0.9)), kRed);
    // Nothing was activated, as the window manager would have done by now.
    ASSERT_TRUE(windowManagerCaughtUp());
    EXPECT_EQ(services->frontmostApplication(), green.pid);
    EXPECT_EQ(services->activeWindowFrame(), infoOf(*services, green.id).frame);
}

TEST_F(X11Test, MinimisedWindowIsBroughtForwardAndTheFocusGoesBack) {
    const HelperWindow &hidden = spawn({QStringLiteral("Minimizada"), kBlue, QRect(200, 200, 300, 200), 1, true});
    const HelperWindow &front = spawn({QStringLiteral("Ativa"), kGreen, QRect(600, 200, 300, 200)});
    ASSERT_TRUE(waitForFrontmost(front.pid));

    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    for (const WindowInfo &w : session.value().windows) EXPECT_NE(w.id, hidden.id) << "a minimised window is listed";

    const WindowInfo info = infoOf(*services, hidden.id);
    const CaptureResult<QImage> image = captureWindowAndWait(info, front.pid, true);
    ASSERT_TRUE(image.ok()) << image.error().message().toStdString();
    EXPECT_EQ(colorAt(image.value(), QPointF(image.value().width() / 2.0, image.value().height() * 0.6)), kBlue);
    // Its size did not change, so the previously active application is active again.
    EXPECT_TRUE(waitForFrontmost(front.pid));

    // Without returning the focus, the captured window's application stays in front.
    const CaptureResult<QImage> again = captureWindowAndWait(info, front.pid, false);
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(waitForFrontmost(hidden.pid));
}

TEST_F(X11Test, AreaAndDisplayUnderTheMouse) {
    spawn({QStringLiteral("Area"), kRed, QRect(100, 100, 400, 300)});
    ownWindow(kOwn, QRect(1200, 600, 200, 200));
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    const quint32 display = session.value().snapshots.at(0).displayID;
    const QRectF redFrame = session.value().windows.at(0).frame;

    const QRectF inside(QPointF((redFrame.center() - QPointF(50, 25)).toPoint()), QSizeF(100, 50));
    const CaptureResult<QImage> area = ScreenCapturer::captureArea(inside, display);
    ASSERT_TRUE(area.ok());
    EXPECT_EQ(area.value().size(), QSize(100, 50));
    EXPECT_EQ(colorAt(area.value(), QPointF(50, 25)), kRed);

    const CaptureResult<QImage> ours = ScreenCapturer::captureArea(QRectF(1250, 650, 100, 100), display);
    ASSERT_TRUE(ours.ok());
    EXPECT_NE(colorAt(ours.value(), QPointF(50, 50)), kOwn);

    EXPECT_EQ(ScreenCapturer::captureArea(inside, display + 12345).error().kind(), CaptureError::Kind::noDisplay);
    EXPECT_EQ(ScreenCapturer::captureArea(QRectF(1920, 0, 100, 100), display).error().kind(),
              CaptureError::Kind::cropFailed);

    QCursor::setPos(QPoint(300, 300));
    ASSERT_TRUE(testsupport::becomes([] { return ScreenCapturer::globalMouseLocation() == QPointF(300, 300); }));
    const CaptureResult<QImage> full = ScreenCapturer::captureDisplayUnderMouse();
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.value().size(), QSize(1920, 1080));
    EXPECT_EQ(colorAt(full.value(), redFrame.center()), kRed);
    // The pointer is not drawn.
    for (int y = 295; y < 325; ++y)
        for (int x = 295; x < 325; ++x) ASSERT_EQ(colorAt(full.value(), QPointF(x, y)), kRed) << x << "," << y;

    // The same grabs with the pixels read off the GUI thread.
    const CaptureResult<QImage> areaLater =
        readLater([&](QObject *context, auto done) { ScreenCapturer::captureArea(inside, display, context, done); });
    ASSERT_TRUE(areaLater.ok());
    EXPECT_EQ(areaLater.value(), area.value());
    const CaptureResult<QImage> fullLater =
        readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
    ASSERT_TRUE(fullLater.ok());
    EXPECT_EQ(fullLater.value().size(), QSize(1920, 1080));
    EXPECT_EQ(colorAt(fullLater.value(), redFrame.center()), kRed);
    EXPECT_NE(colorAt(fullLater.value(), QPointF(1300, 700)), kOwn);
    EXPECT_EQ(readLater([&](QObject *context, auto done) {
                  ScreenCapturer::captureArea(inside, display + 12345, context, done);
              })
                  .error()
                  .kind(),
              CaptureError::Kind::noDisplay);

    EXPECT_TRUE(ScreenPermission::isGranted());
    EXPECT_EQ(ScreenCapturer::screen(display), QGuiApplication::primaryScreen());
}

// Grabs of one size share their memory, with and without Composite: a picture still held keeps its
// pixels while later grabs read, and no grab shows an earlier screen.
TEST_F(X11Test, GrabsInARowEachKeepTheirOwnScreen) {
    const QPointF spot(960, 540);
    for (const bool composite : {true, false}) {
        services = platform::createX11ScreenServices({QByteArray(), composite});
        platform::ScreenServices::setSharedForTesting(services.get());
        const quint32 display = services->displays().at(0).id;
        paintDesktop(kRed);
        QImage first = services->displayImage(display).image;
        paintDesktop(kBlue);
        QImage second = services->displayImage(display).image;
        EXPECT_EQ(colorAt(first, spot), kRed) << composite;
        EXPECT_EQ(colorAt(second, spot), kBlue) << composite;
        first = QImage();
        second = QImage();
        paintDesktop(kGreen);
        EXPECT_EQ(colorAt(services->displayImage(display).image, spot), kGreen) << composite;
        paintDesktop(kYellow);
        const CaptureResult<QImage> later =
            readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
        ASSERT_TRUE(later.ok());
        EXPECT_EQ(colorAt(later.value(), spot), kYellow) << composite;
    }
}

TEST_F(X11Test, WithoutCompositeOurWindowsAreHiddenAroundTheGrab) {
    services = platform::createX11ScreenServices({QByteArray(), false});
    platform::ScreenServices::setSharedForTesting(services.get());
    spawn({QStringLiteral("Fundo"), kRed, QRect(100, 100, 400, 300)});
    QWidget &own = ownWindow(kOwn, QRect(150, 150, 150, 100));
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    const QImage &image = session.value().snapshots.at(0).image;
    EXPECT_EQ(colorAt(image, QPointF(225, 200)), kRed);
    const auto backOnScreen = [&] {
        EXPECT_TRUE(testsupport::becomes([&] { return own.isVisible() && services->window(quint32(own.winId())); }));
        EXPECT_TRUE(testsupport::becomes([&] {
            const auto d = services->window(quint32(own.winId()));
            return d && d->onScreen;
        }));
    };
    // Our window is back afterwards.
    backOnScreen();

    // So with the pixels read off the GUI thread, even when the one who asked is gone by then.
    const CaptureResult<QImage> later =
        readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
    ASSERT_TRUE(later.ok());
    EXPECT_EQ(colorAt(later.value(), QPointF(225, 200)), kRed);
    backOnScreen();
    bool answered = false;
    {
        QObject gone;
        ScreenCapturer::captureDisplayUnderMouse(&gone, [&](CaptureResult<QImage>) { answered = true; });
    }
    // Shown again in the turn that would have answered.
    EXPECT_FALSE(own.isVisible());
    backOnScreen();
    EXPECT_FALSE(answered);

    // One marked to stay hidden after grabs is left off the screen for its owner to show again.
    platform::setStaysHiddenAfterGrab(own.windowHandle(), true);
    const CaptureResult<QImage> kept =
        readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(colorAt(kept.value(), QPointF(225, 200)), kRed);
    EXPECT_FALSE(own.windowHandle()->isVisible());
    platform::setStaysHiddenAfterGrab(own.windowHandle(), false);
    own.windowHandle()->show();
    backOnScreen();
}

// The stacking order as the window manager keeps it, bottom to top.
std::vector<quint32> clientStacking() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    if (!xprop.waitForFinished(testsupport::patienceMs)) return {};
    std::vector<quint32> ids;
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
    for (const QString &piece : out.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids.push_back(piece.trimmed().toUInt(nullptr, 16));
    return ids;
}

// A grab while the user works in another program over our window: ours comes back beneath it, and the
// other program keeps the keyboard.
TEST_F(X11Test, OurWindowComesBackWhereItWasInTheStack) {
    for (const bool composite : {false, true}) {
        services = platform::createX11ScreenServices({QByteArray(), composite});
        platform::ScreenServices::setSharedForTesting(services.get());
        ownWindows.clear();
        QWidget &own = ownWindow(kOwn, QRect(150, 150, 300, 200));
        const HelperWindow &front =
            spawn({QStringLiteral("Frente%1").arg(composite), kGreen, QRect(250, 200, 300, 200)});
        ASSERT_TRUE(waitForFrontmost(front.pid));
        const auto below = [&] {
            const std::vector<quint32> order = clientStacking();
            const auto ours = std::find(order.begin(), order.end(), quint32(own.winId()));
            const auto theirs = std::find(order.begin(), order.end(), front.id);
            return ours != order.end() && theirs != order.end() && ours < theirs;
        };
        ASSERT_TRUE(below());
        const CaptureResult<QImage> image =
            readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
        ASSERT_TRUE(image.ok());
        EXPECT_TRUE(testsupport::becomes([&] {
            const auto d = services->window(quint32(own.winId()));
            return own.isVisible() && d && d->onScreen;
        }));
        // What the window manager does with a window mapped anew (stacks it, maybe focuses it) is done.
        ASSERT_TRUE(windowManagerCaughtUp());
        EXPECT_TRUE(below()) << "composite " << composite;
        EXPECT_EQ(services->frontmostApplication(), front.pid) << "composite " << composite;
    }
}

// With Composite, a window that stays off after the grab stays mapped instead: out of the picture,
// still painted by Qt, and back as painted meanwhile once its owner brings it back.
TEST_F(X11Test, AWindowKeptOffAfterTheGrabStaysMappedAndComesBackAsPaintedMeanwhile) {
    services = platform::createX11ScreenServices({QByteArray(), true});
    platform::ScreenServices::setSharedForTesting(services.get());
    spawn({QStringLiteral("Fundo"), kRed, QRect(100, 100, 400, 300)});
    QWidget &own = ownWindow(kOwn, QRect(150, 150, 150, 100));
    QWindow *handle = own.windowHandle();
    const auto screenAt = [](QPoint point) {
        return colorAt(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), point);
    };
    const QPoint inside = own.geometry().center();
    EXPECT_EQ(screenAt(inside), kOwn);

    platform::setStaysHiddenAfterGrab(handle, true);
    platform::setMayStayMappedAfterGrab(handle, true);
    const CaptureResult<QImage> grabbed =
        readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
    ASSERT_TRUE(grabbed.ok());
    EXPECT_EQ(colorAt(grabbed.value(), inside), kRed);
    ASSERT_TRUE(platform::keptOffScreenAfterGrab(handle));
    EXPECT_TRUE(handle->isVisible());
    EXPECT_EQ(screenAt(inside), kRed);

    // Painted while out of the picture; a second grab meanwhile leaves it where it is.
    QPalette palette = own.palette();
    palette.setColor(QPalette::Window, kGreen);
    own.setPalette(palette);
    own.repaint();
    ASSERT_TRUE(caughtUp()); // the server has what was painted
    EXPECT_EQ(screenAt(inside), kRed);
    const CaptureResult<QImage> again =
        readLater([](QObject *context, auto done) { ScreenCapturer::captureDisplayUnderMouse(context, done); });
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(colorAt(again.value(), inside), kRed);

    platform::setStaysHiddenAfterGrab(handle, false);
    EXPECT_TRUE(platform::bringBackAfterGrab(handle));
    EXPECT_FALSE(platform::keptOffScreenAfterGrab(handle));
    EXPECT_FALSE(platform::bringBackAfterGrab(handle));
    EXPECT_TRUE(testsupport::becomes([&] { return screenAt(inside) == kGreen; }));
}

TEST_F(X11Test, TenWindowsStackInOrder) {
    std::vector<quint32> ids;
    for (int i = 0; i < 10; ++i) {
        const QColor c = QColor::fromHsv(i * 36, 200, 200);
        ids.push_back(spawn({QStringLiteral("Janela%1").arg(i), c, QRect(50 + i * 60, 50 + i * 40, 300, 200)}).id);
    }
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    ASSERT_EQ(session.value().windows.size(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(session.value().windows[i].id, ids[size_t(9 - i)]);
}

// Run by ctest with QT_SCALE_FACTOR=2 as "x11.Scale2".
TEST_F(X11Test, ScaleFactorTwoHalvesPointsNotPixels) {
    if (qGuiApp->devicePixelRatio() != 2) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    const HelperWindow &red = spawn({QStringLiteral("Dobro"), kRed, QRect(200, 200, 400, 300)});
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    const DisplaySnapshot &display = session.value().snapshots.at(0);
    EXPECT_EQ(display.bounds, QRectF(0, 0, 960, 540));
    EXPECT_EQ(display.image.size(), QSize(1920, 1080));
    ASSERT_EQ(session.value().windows.size(), 1);
    const QRectF frame = session.value().windows[0].frame;
    EXPECT_EQ(session.value().windows[0].id, red.id);
    // Frames are in points: the 400-pixel-wide client is at least 200 points wide.
    EXPECT_GE(frame.width(), 200);
    EXPECT_LT(frame.width(), 300);
    const QImage cut = display.crop(QRectF(QPointF(frame.center().toPoint()), QSizeF(20, 10)));
    EXPECT_EQ(cut.size(), QSize(40, 20));
    EXPECT_EQ(colorAt(cut, QPointF(5, 5)), kRed);
}

// Run by ctest without a window manager as "x11.NoWindowManager".
TEST_F(X11Test, WithoutWindowManagerTheRootsNamedChildrenAreListed) {
    if (qgetenv("PELICARTA_TEST_WM") != "none") GTEST_SKIP() << "runs with PELICARTA_TEST_WM=none";
    const HelperWindow &red = spawn({QStringLiteral("Solta"), kRed, QRect(100, 100, 300, 200)});
    const HelperWindow &green = spawn({QStringLiteral("Solta2"), kGreen, QRect(200, 150, 300, 200)});
    ownWindow(kOwn, QRect(600, 100, 200, 200));
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    ASSERT_EQ(session.value().windows.size(), 2);
    EXPECT_EQ(session.value().windows[0].id, green.id);
    EXPECT_EQ(session.value().windows[1].id, red.id);
    EXPECT_EQ(session.value().windows[1].frame, QRectF(100, 100, 300, 200));
    EXPECT_EQ(colorAt(session.value().snapshots.at(0).image, QPointF(700, 200)), QColor(Qt::black));

    const CaptureResult<QImage> covered = captureWindowAndWait(session.value().windows[1], red.pid, false);
    ASSERT_TRUE(covered.ok());
    EXPECT_EQ(colorAt(covered.value(), QPointF(250, 150)), kRed);
}
