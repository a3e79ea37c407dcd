#include "FakeScreenServices.h"

#include "capture/ScreenCapturer.h"
#include "capture/ScreenPermission.h"
#include "platform/StringTables.h"
#include "support/Waiting.h"

#include <QPainter>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

using platform::ScreenGrab;
using platform::WindowDescription;

namespace {

QImage solid(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

WindowDescription entry(quint32 number, QRectF frame, QString owner, std::optional<qint32> pid,
                        std::optional<double> alpha = std::nullopt, int layer = 0, bool onScreen = true) {
    WindowDescription d;
    d.number = number;
    d.frame = frame;
    d.ownerName = std::move(owner);
    d.ownerPID = pid;
    d.alpha = alpha;
    d.layer = layer;
    d.onScreen = onScreen;
    return d;
}

ScreenGrab grab(QImage image, bool onScreen = true) { return {ScreenGrab::Status::ok, std::move(image), onScreen, {}}; }

class ScreenCapturerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        fake.reset(); // a test that starts over: the old one must leave before the new one stands in
        fake = std::make_unique<FakeScreenServices>();
        ScreenCapturer::setWindowTiming({5, 2, 16, 3, 6});
        // Two displays: a 1× one and a 2× one to its right.
        fake->displayList = {{1, QRectF(0, 0, 1440, 900), 1, QStringLiteral("A"), true},
                             {2, QRectF(1440, 0, 1512, 982), 2, QStringLiteral("B"), false}};
        fake->displayImages[1] = solid({1440, 900}, Qt::red);
        QImage second = solid({3024, 1964}, Qt::blue);
        QPainter(&second).fillRect(QRect(1512, 0, 1512, 1964), Qt::green); // right half green
        fake->displayImages[2] = second;
    }
    void TearDown() override {
        fake.reset();
        ScreenCapturer::setWindowTiming({});
        platform::StringTables::setCurrentLanguage({});
    }

    CaptureResult<QImage> captureWindow(const WindowInfo &info, std::optional<qint32> frontmost, bool returnFocus) {
        std::optional<CaptureResult<QImage>> outcome;
        QObject context;
        ScreenCapturer::captureWindow(info, frontmost, returnFocus, &context,
                                      [&](CaptureResult<QImage> r) { outcome.emplace(std::move(r)); });
        EXPECT_FALSE(outcome.has_value()) << "answered before returning";
        EXPECT_TRUE(testsupport::becomes([&] { return outcome.has_value(); }));
        return outcome ? *outcome : CaptureResult<QImage>(CaptureError::Kind::noDisplay);
    }

    // A window of process 77 while process 55 is in front.
    WindowInfo setUpWindow(std::deque<ScreenGrab> grabs) {
        fake->windowList = {entry(9, QRectF(100, 100, 300, 200), QStringLiteral("Editor"), 77)};
        fake->windowGrabs[9] = std::move(grabs);
        fake->runningPIDs = {55, 77};
        fake->frontmost = 55;
        return {9, QRectF(100, 100, 300, 200), QStringLiteral("Editor"), 77};
    }

    std::unique_ptr<FakeScreenServices> fake;
};

} // namespace

TEST_F(ScreenCapturerTest, OnlyPickableWindowsAreListed) {
    const QList<WindowDescription> entries = {
        entry(1, QRectF(0, 0, 41, 41), QStringLiteral("App"), 10),
        entry(2, QRectF(0, 0, 40, 200), QStringLiteral("App"), 10),
        entry(3, QRectF(0, 0, 200, 40), QStringLiteral("App"), 10),
        entry(4, QRectF(0, 0, 200, 200), QStringLiteral("App"), 10, 0.0),
        entry(5, QRectF(0, 0, 200, 200), QStringLiteral("App"), 10, 0.5),
        entry(6, QRectF(0, 0, 200, 200), QStringLiteral("Dock"), 10),
        entry(9, QRectF(0, 0, 200, 200), QStringLiteral("Pelicarta"), 4242),
        entry(10, QRectF(0, 0, 200, 200), QStringLiteral("App"), std::nullopt),
        entry(11, QRectF(0, 0, 200, 200), QStringLiteral("Painel"), 10, std::nullopt, 20),
        entry(12, QRectF(0, 0, 200, 200), QString(), 11),
    };
    QList<quint32> ids;
    for (const WindowInfo &w : ScreenCapturer::visibleWindows(entries, 4242)) ids.append(w.id);
    // A window that names no process (many X clients set no _NET_WM_PID) can still be picked; panels and
    // docks are left out by their window type (11), never by their program's name (6).
    EXPECT_EQ(ids, (QList<quint32>{1, 5, 6, 10, 12}));

    const QList<WindowInfo> kept = ScreenCapturer::visibleWindows(entries, 4242);
    EXPECT_EQ(kept.first(), (WindowInfo{1, QRectF(0, 0, 41, 41), QStringLiteral("App"), 10}));
}

TEST_F(ScreenCapturerTest, SessionFreezesEveryDisplayAndTheVisibleWindows) {
    fake->windowList = {entry(3, QRectF(1500, 100, 300, 200), QStringLiteral("Front"), 20),
                        entry(4, QRectF(1400, 50, 300, 300), QStringLiteral("Back"), 21),
                        entry(5, QRectF(10, 10, 300, 300), QStringLiteral("Minimised"), 22, std::nullopt, 0, false)};
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_TRUE(session.ok());
    const CaptureSession &s = session.value();
    ASSERT_EQ(s.snapshots.size(), 2);
    EXPECT_EQ(s.snapshots[0].displayID, 1u);
    EXPECT_EQ(s.snapshots[1].bounds, QRectF(1440, 0, 1512, 982));
    EXPECT_EQ(s.snapshots[1].image.size(), QSize(3024, 1964));
    ASSERT_EQ(s.windows.size(), 2);
    EXPECT_EQ(s.windows[0].appName, QStringLiteral("Front"));

    // Hover lookups: the front-most window wins; edges are half-open.
    EXPECT_EQ(s.window(QPointF(1600, 150))->id, 3u);
    EXPECT_EQ(s.window(QPointF(1420, 60))->id, 4u);
    EXPECT_FALSE(s.window(QPointF(1800, 120)).has_value()) << "the far edge is outside";
    EXPECT_EQ(s.snapshot(QPointF(1439.5, 10))->displayID, 1u);
    EXPECT_EQ(s.snapshot(QPointF(1440, 10))->displayID, 2u);
    EXPECT_EQ(s.snapshot(QPointF(5000, 10)), nullptr);

    // An area cut from the 2× display: points to pixels, and the display's own colours.
    const QImage leftHalf = s.snapshots[1].crop(QRectF(1450, 10, 100, 50));
    EXPECT_EQ(leftHalf.size(), QSize(200, 100));
    EXPECT_EQ(QColor(leftHalf.pixel(10, 10)), QColor(Qt::blue));
    const QImage rightHalf = s.snapshots[1].crop(QRectF(2300, 500, 40, 40));
    EXPECT_EQ(QColor(rightHalf.pixel(10, 10)), QColor(Qt::green));
}

TEST_F(ScreenCapturerTest, EmptyDesktopAndFailingDisplays) {
    fake->displayList.clear();
    const CaptureResult<CaptureSession> empty = ScreenCapturer::prepareSession();
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty.value().snapshots.isEmpty());
    EXPECT_EQ(ScreenCapturer::captureDisplayUnderMouse().error().kind(), CaptureError::Kind::noDisplay);

    // One display that cannot be read abandons the whole session with the server's reason.
    SetUp();
    fake->displayImages.remove(2);
    const CaptureResult<CaptureSession> failed = ScreenCapturer::prepareSession();
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().kind(), CaptureError::Kind::platform);
    EXPECT_EQ(failed.error().message(), QStringLiteral("O servidor X recusou a leitura da tela."));
}

TEST_F(ScreenCapturerTest, DisplayUnderTheMouse) {
    fake->pointer = QPointF(2000, 400);
    CaptureResult<QImage> image = ScreenCapturer::captureDisplayUnderMouse();
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.value().size(), QSize(3024, 1964));

    fake->pointer = QPointF(-50, 400); // on no display: the first one
    image = ScreenCapturer::captureDisplayUnderMouse();
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.value().size(), QSize(1440, 900));
}

TEST_F(ScreenCapturerTest, RepeatedAreaOfAGoneDisplayOrOffTheDisplay) {
    const CaptureResult<QImage> area = ScreenCapturer::captureArea(QRectF(1450, 10, 100, 50), 2);
    ASSERT_TRUE(area.ok());
    EXPECT_EQ(area.value().size(), QSize(200, 100));

    const CaptureResult<QImage> gone = ScreenCapturer::captureArea(QRectF(10, 10, 100, 50), 3);
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error(), CaptureError(CaptureError::Kind::noDisplay));
    EXPECT_EQ(gone.error().message(), QStringLiteral("Não encontrei a tela para capturar."));

    // The display became smaller meanwhile: the stored area is no longer on it.
    fake->displayList[1].bounds = QRectF(1440, 0, 800, 600);
    const CaptureResult<QImage> off = ScreenCapturer::captureArea(QRectF(2300, 700, 100, 50), 2);
    ASSERT_FALSE(off.ok());
    EXPECT_EQ(off.error().kind(), CaptureError::Kind::cropFailed);
    EXPECT_EQ(off.error().message(), QStringLiteral("Não consegui recortar a área escolhida."));

    EXPECT_EQ(CaptureError(CaptureError::Kind::windowGone).message(),
              QStringLiteral("A janela foi fechada antes da captura."));
    EXPECT_EQ(CaptureError(CaptureError::Kind::windowHidden).message(),
              QStringLiteral("Essa janela está escondida (minimizada ou em outra área de trabalho). Traga-a para "
                             "frente e tente de novo."));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(CaptureError(CaptureError::Kind::cropFailed).message(), QStringLiteral("Couldn't crop the chosen area."));
    EXPECT_EQ(CaptureError(CaptureError::Kind::windowHidden).message(),
              QStringLiteral("This window is hidden (minimised or on another workspace). Bring it to the front and "
                             "try again."));
}

TEST_F(ScreenCapturerTest, CropCutsWholePixelsOfTheDisplayOnly) {
    const DisplaySnapshot retina{1, QRectF(0, 0, 1512, 982), solid({3024, 1964}, Qt::white)};
    // 20.6 rounds down; 220.6 and 120.6 round up.
    const QImage cut = retina.crop(QRectF(10.3, 10.3, 100, 50));
    EXPECT_EQ(cut.size(), QSize(201, 101));

    QImage marked = solid({3024, 1964}, Qt::white);
    marked.setPixel(20, 20, qRgb(1, 2, 3));
    const QImage origin = DisplaySnapshot{1, QRectF(0, 0, 1512, 982), marked}.crop(QRectF(10.3, 10.3, 100, 50));
    EXPECT_EQ(origin.pixel(0, 0), qRgb(1, 2, 3));

    const DisplaySnapshot offset{2, QRectF(1440, 0, 800, 600), solid({800, 600}, Qt::white)};
    EXPECT_EQ(offset.crop(QRectF(1400, 100, 100, 100)).size(), QSize(60, 100)) << "only the part on the display";
    EXPECT_TRUE(offset.crop(QRectF(1340, 100, 100, 100)).isNull()) << "touching along an edge";
    EXPECT_TRUE(offset.crop(QRectF(1500, 600, 100, 100)).isNull()) << "touching the bottom edge";
    EXPECT_TRUE(offset.crop(QRectF(1500, 100, 0.5, 100)).isNull()) << "under one point wide";
    EXPECT_TRUE(offset.crop(QRectF(3000, 100, 100, 100)).isNull());

    // Bounds narrower than a point count as one point.
    const DisplaySnapshot thin{3, QRectF(0, 0, 0.5, 10), solid({4, 10}, Qt::white)};
    EXPECT_TRUE(thin.crop(QRectF(0, 0, 10, 10)).isNull());
}

TEST_F(ScreenCapturerTest, BlankImagesAreJudgedOnTwelveByTwelve) {
    auto sample = [](int opaque, int black) {
        QImage image(12, 12, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        for (int i = 0; i < opaque; ++i)
            image.setPixel(i % 12, i / 12, i < black ? qRgb(0, 0, 0) : qRgb(200, 200, 200));
        return image;
    };
    EXPECT_TRUE(ScreenCapturer::looksBlank(sample(13, 0)));
    EXPECT_FALSE(ScreenCapturer::looksBlank(sample(20, 19)));
    EXPECT_TRUE(ScreenCapturer::looksBlank(sample(100, 98)));
    EXPECT_TRUE(ScreenCapturer::looksBlank(solid({1920, 1080}, QColor(5, 9, 3))));
    EXPECT_FALSE(ScreenCapturer::looksBlank(solid({1920, 1080}, QColor(10, 0, 0))));
    EXPECT_TRUE(ScreenCapturer::looksBlank(QImage()));
}

TEST_F(ScreenCapturerTest, WindowOfTheFrontmostApplicationIsTakenAtOnce) {
    const WindowInfo info = setUpWindow({grab(solid({300, 200}, Qt::yellow))});
    fake->frontmost = 77;
    const CaptureResult<QImage> image = captureWindow(info, 77, true);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(QColor(image.value().pixel(5, 5)), QColor(Qt::yellow));
    EXPECT_TRUE(fake->activatedWindows.isEmpty());
    EXPECT_EQ(fake->activatedApplications, QList<qint32>{77});
    EXPECT_EQ(fake->windowImageReads, 1);

    fake->windowGrabs.clear();
    EXPECT_EQ(captureWindow(info, 77, false).error().kind(), CaptureError::Kind::windowGone);
}

TEST_F(ScreenCapturerTest, BlankFastPathGoesThroughActivation) {
    const WindowInfo info = setUpWindow({grab(solid({300, 200}, Qt::black)), grab(solid({300, 200}, Qt::cyan))});
    const CaptureResult<QImage> image = captureWindow(info, 77, false);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(QColor(image.value().pixel(5, 5)), QColor(Qt::cyan));
    EXPECT_EQ(fake->activatedWindows, QList<quint32>{9});
    EXPECT_TRUE(fake->activatedApplications.isEmpty());
}

TEST_F(ScreenCapturerTest, FocusGoesBackOnlyWhenAskedAndTheWindowKeptItsSize) {
    WindowInfo info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
    ASSERT_TRUE(captureWindow(info, 55, true).ok());
    EXPECT_EQ(fake->activatedWindows, QList<quint32>{9});
    EXPECT_EQ(fake->activatedApplications, QList<qint32>{55});

    info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
    fake->activatedApplications.clear();
    ASSERT_TRUE(captureWindow(info, 55, false).ok());
    EXPECT_TRUE(fake->activatedApplications.isEmpty()) << "the captured application stays in front";

    // The window manager enlarged the window as it came forward.
    info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
    fake->onActivateWindow = [this](quint32) { fake->windowList[0].frame = QRectF(0, 0, 1440, 900); };
    ASSERT_TRUE(captureWindow(info, 55, true).ok());
    EXPECT_TRUE(fake->activatedApplications.isEmpty());
}

TEST_F(ScreenCapturerTest, HiddenOrBlankWindowsAfterSixAttempts) {
    // Never on screen: hidden, after the fast path is skipped and six reads.
    WindowInfo info = setUpWindow({grab(QImage(), false)});
    CaptureResult<QImage> result = captureWindow(info, 55, true);
    EXPECT_EQ(result.error().kind(), CaptureError::Kind::windowHidden);
    EXPECT_EQ(fake->windowImageReads, 6);

    // On screen but black throughout: the black picture is still delivered.
    info = setUpWindow({grab(solid({300, 200}, Qt::black))});
    result = captureWindow(info, 55, true);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().size(), QSize(300, 200));

    // The sixth read fails: the last picture of the window on screen is delivered.
    std::deque<ScreenGrab> grabs(5, grab(solid({300, 200}, Qt::black)));
    grabs.push_back({ScreenGrab::Status::failed, {}, false, QStringLiteral("O servidor X recusou a leitura da tela.")});
    info = setUpWindow(grabs);
    result = captureWindow(info, 55, true);
    ASSERT_TRUE(result.ok());

    // The application has quit: gone before anything is activated.
    info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
    fake->runningPIDs = {55};
    fake->activatedWindows.clear();
    EXPECT_EQ(captureWindow(info, 55, true).error().kind(), CaptureError::Kind::windowGone);
    EXPECT_TRUE(fake->activatedWindows.isEmpty());

    // A window of no known process is taken while the window itself exists.
    info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
    info.ownerPID = 0;
    fake->windowList[0].ownerPID.reset();
    ASSERT_TRUE(captureWindow(info, 55, true).ok());
    fake->windowList.clear();
    EXPECT_EQ(captureWindow(info, 55, true).error().kind(), CaptureError::Kind::windowGone);
}

TEST_F(ScreenCapturerTest, WindowLeftHiddenFailsOnceADesktopWouldHaveShownItAndClosedAtOnce) {
    // The window manager leaves the window minimised (or on another workspace): hidden, once the time a
    // desktop takes to bring a window forward has passed, without the reads meant for a window that
    // paints slowly.
    const int hiddenAfter = ScreenCapturer::WindowTiming{}.hiddenAfter;
    WindowInfo info = setUpWindow({grab(QImage(), false)});
    fake->windowList[0].onScreen = false;
    QElapsedTimer activated;
    fake->onActivateWindow = [&](quint32) { activated.start(); };
    CaptureResult<QImage> result = captureWindow(info, 55, true);
    const qint64 tookMs = activated.elapsed();
    EXPECT_EQ(result.error().kind(), CaptureError::Kind::windowHidden);
    EXPECT_EQ(fake->activatedWindows, QList<quint32>{9});
    EXPECT_EQ(fake->windowImageReads, 0);
    EXPECT_GE(tookMs, hiddenAfter);
    EXPECT_LT(tookMs, 3 * hiddenAfter) << "a hidden window's failure is not put off";

    // A window manager that maps it late (a fade, a loaded machine: 300 to 500 ms) shows it: taken.
    for (const int mapsAfterMs : {300, 500}) {
        info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
        fake->windowList[0].onScreen = false;
        fake->onWindowLookup = [&] {
            if (activated.isValid() && activated.elapsed() >= mapsAfterMs) fake->windowList[0].onScreen = true;
        };
        activated.invalidate();
        result = captureWindow(info, 55, true);
        ASSERT_TRUE(result.ok()) << "mapped after " << mapsAfterMs << " ms";
        fake->onWindowLookup = nullptr;
    }

    // Closed after it was picked while its program runs on: gone, not hidden, at the first look.
    info = setUpWindow({grab(solid({300, 200}, Qt::cyan))});
    fake->windowImageReads = 0;
    fake->onActivateWindow = [this](quint32) { fake->windowList.clear(); };
    activated.start();
    result = captureWindow(info, 55, true);
    EXPECT_EQ(result.error().kind(), CaptureError::Kind::windowGone);
    EXPECT_EQ(fake->windowImageReads, 0);
    EXPECT_LT(activated.elapsed(), hiddenAfter);
}

TEST_F(ScreenCapturerTest, AbandonedWindowCaptureNeverCallsBack) {
    const WindowInfo info = setUpWindow({grab(QImage(), false)});
    bool called = false;
    auto *context = new QObject;
    ScreenCapturer::captureWindow(info, 55, true, context, [&](CaptureResult<QImage>) { called = true; });
    ASSERT_TRUE(testsupport::becomes([&] { return !fake->activatedWindows.isEmpty(); })); // under way
    delete context;
    // The same capture started after it runs the same course, one step behind: once that one has
    // answered, the abandoned one would have.
    captureWindow(info, 55, true);
    EXPECT_FALSE(called);
}

TEST(ScreenCapturerWithoutX, EveryOperationFailsWithAClearError) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    auto services = platform::createX11ScreenServices();
    platform::ScreenServices::setSharedForTesting(services.get());
    EXPECT_FALSE(services->connected());
    EXPECT_TRUE(services->displays().isEmpty());
    EXPECT_TRUE(services->windows(platform::ScreenServices::WindowScope::all).isEmpty());
    EXPECT_EQ(services->displayImage(1).status, ScreenGrab::Status::failed);
    EXPECT_FALSE(ScreenPermission::isGranted());

    const QString reason = QStringLiteral("Não há servidor X nesta sessão (DISPLAY não está definido).");
    const CaptureResult<CaptureSession> session = ScreenCapturer::prepareSession();
    ASSERT_FALSE(session.ok());
    EXPECT_EQ(session.error().message(), reason);
    const CaptureResult<QImage> full = ScreenCapturer::captureDisplayUnderMouse();
    ASSERT_FALSE(full.ok());
    EXPECT_EQ(full.error().message(), reason);
    EXPECT_FALSE(ScreenCapturer::captureArea(QRectF(0, 0, 10, 10), 1).ok());
    EXPECT_TRUE(ScreenCapturer::visibleWindows().isEmpty());

    std::optional<CaptureResult<QImage>> window;
    QObject context;
    ScreenCapturer::captureWindow({1, QRectF(0, 0, 100, 100), QStringLiteral("App"), 1}, 1, true, &context,
                                  [&](CaptureResult<QImage> r) { window.emplace(std::move(r)); });
    ASSERT_TRUE(testsupport::becomes([&] { return window.has_value(); }));
    EXPECT_EQ(window->error().message(), reason);

    platform::ScreenServices::setSharedForTesting(nullptr);
    if (!display.isNull()) qputenv("DISPLAY", display);
    platform::StringTables::setCurrentLanguage({});
}
