#include "capture/FakeScreenServices.h"
#include "capture/OverlayController.h"
#include "capture/OverlayView.h"
#include "capture/OverlayWindows.h"
#include "core/Settings.h"
#include "platform/KeyEvent.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QScreen>
#include <QPainterPath>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace KeyCode = platform::KeyCode;

namespace {

// One 800 × 600 display at 1×, with a frozen picture of two coloured windows.
CaptureSession makeSession(double scale = 1.0) {
    DisplaySnapshot display;
    display.displayID = 7;
    display.bounds = QRectF(0, 0, 800, 600);
    display.image = QImage(int(800 * scale), int(600 * scale), QImage::Format_ARGB32_Premultiplied);
    display.image.fill(QColor(40, 90, 160));
    {
        QPainter p(&display.image);
        p.scale(scale, scale);
        p.fillRect(QRectF(100, 100, 300, 200), QColor(220, 60, 60));
        p.fillRect(QRectF(450, 150, 250, 300), QColor(60, 200, 90));
    }
    CaptureSession session;
    session.snapshots << display;
    session.windows << WindowInfo{11, QRectF(100, 100, 300, 200), QStringLiteral("Editor"), 1234}
                    << WindowInfo{12, QRectF(450, 150, 250, 300), QString(), 1235};
    return session;
}

struct Harness {
    std::optional<std::optional<OverlayResult>> result; // outer: completion ran
    int completions = 0;
    std::unique_ptr<OverlayController> controller;

    explicit Harness(OverlayModel::Mode mode = OverlayModel::Mode::area, double scale = 1.0, bool withScreen = true) {
        controller = std::make_unique<OverlayController>(
            makeSession(scale), mode,
            [this](std::optional<OverlayResult> r) {
                result = std::move(r);
                ++completions;
            },
            [withScreen](quint32) { return withScreen ? QGuiApplication::primaryScreen() : nullptr; });
        controller->show();
    }
    OverlayView *view() { return controller->views().value(0); }
    void draw(QPointF from, QPointF to) {
        view()->press(from, 1);
        view()->dragTo((from + to) / 2);
        view()->dragTo(to);
        view()->release(to);
    }
};

} // namespace

TEST(OverlayControllerTest, DrawAdjustConfirmGivesTheCutArea) {
    Harness h(OverlayModel::Mode::area, 2.0);
    ASSERT_EQ(h.controller->views().size(), 1);
    OverlayModel &model = h.controller->model();

    h.view()->press({100, 100}, 1);
    h.view()->dragTo({300, 250});
    EXPECT_EQ(model.phase(), OverlayModel::Phase::drawing);
    EXPECT_TRUE(h.view()->layout().sizeTag.has_value());
    EXPECT_FALSE(h.view()->layout().toolbar.has_value());
    h.controller->handleKey(KeyCode::returnKey, false, false); // still drawing: nothing
    EXPECT_EQ(h.completions, 0);
    h.view()->dragTo({500, 400});
    h.view()->release({500, 400});
    EXPECT_EQ(model.phase(), OverlayModel::Phase::adjusting);
    EXPECT_EQ(model.selection(), QRectF(100, 100, 400, 300));
    const auto layout = h.view()->layout();
    EXPECT_FALSE(layout.sizeTag.has_value());
    ASSERT_TRUE(layout.toolbar.has_value());
    EXPECT_TRUE(QRectF(0, 0, 800, 600).contains(*layout.toolbar));

    h.controller->handleKey(KeyCode::keypadEnter, false, false);
    ASSERT_EQ(h.completions, 1);
    ASSERT_TRUE(h.result->has_value());
    const OverlayResult &r = **h.result;
    EXPECT_EQ(r.kind, OverlayResult::Kind::area);
    EXPECT_EQ(r.displayID, 7u);
    EXPECT_EQ(r.rect, QRectF(100, 100, 400, 300));
    EXPECT_EQ(r.image.size(), QSize(800, 600)); // pixels are cut (and labelled) at 2×
    EXPECT_TRUE(h.controller->views().isEmpty());

    // Finished once: nothing more reaches the completion.
    h.controller->handleKey(KeyCode::escape, false, false);
    h.controller->actions().confirm();
    EXPECT_EQ(h.completions, 1);
}

// At 2× the labels count the picture's pixels, as the editor does with the capture: the size read
// while drawing and adjusting is the size of the picture taken, and a window's the size of its capture.
TEST(OverlayControllerTest, SizeLabelsCountThePicturesPixels) {
    Harness h(OverlayModel::Mode::area, 2.0);
    h.view()->press({100, 100}, 1);
    h.view()->dragTo({250, 175});
    EXPECT_EQ(h.view()->labelledSize(), QSizeF(300, 150));
    h.view()->dragTo({400, 250});
    h.view()->release({400, 250});
    EXPECT_EQ(h.controller->model().phase(), OverlayModel::Phase::adjusting);
    const std::optional<QSizeF> labelled = h.view()->labelledSize();
    EXPECT_EQ(labelled, QSizeF(600, 300));
    h.controller->handleKey(KeyCode::returnKey, false, false);
    ASSERT_TRUE(h.result && h.result->has_value());
    EXPECT_EQ(QSizeF((*h.result)->image.size()), labelled);

    for (const double scale : {2.0, 1.0}) {
        Harness windows(OverlayModel::Mode::window, scale);
        windows.view()->hover({500, 200});
        EXPECT_EQ(windows.view()->labelledSize(), QSizeF(250, 300) * scale);
    }
}

TEST(OverlayControllerTest, ArrowKeysNudgeAndResizeWithinTheDisplay) {
    Harness h;
    OverlayModel &model = h.controller->model();
    h.controller->handleKey(KeyCode::rightArrow, false, false); // nothing drawn yet
    EXPECT_FALSE(model.selection());
    h.draw({10, 10}, {110, 60});
    // The bottom bar names every arrow that moves the selection, as the tip does.
    const QList<OverlayView::Hint> hints = h.view()->hints();
    const auto move = std::find_if(hints.cbegin(), hints.cend(),
                                   [](const OverlayView::Hint &hint) { return hint.text == QStringLiteral("mover"); });
    ASSERT_NE(move, hints.cend());
    EXPECT_EQ(move->keys.join(QString()), QStringLiteral("←↑→↓"));
    h.controller->handleKey(KeyCode::rightArrow, false, false);
    EXPECT_EQ(model.selection(), QRectF(11, 10, 100, 50));
    h.controller->handleKey(KeyCode::downArrow, true, false);
    EXPECT_EQ(model.selection(), QRectF(11, 20, 100, 50));
    for (int i = 0; i < 10; ++i) h.controller->handleKey(KeyCode::upArrow, true, false);
    EXPECT_EQ(model.selection(), QRectF(11, 0, 100, 50)); // stops at the edge, keeps its size
    h.controller->handleKey(KeyCode::rightArrow, false, true);
    EXPECT_EQ(model.selection(), QRectF(11, 0, 101, 50));
    for (int i = 0; i < 20; ++i) h.controller->handleKey(KeyCode::leftArrow, true, true);
    EXPECT_EQ(model.selection(), QRectF(11, 0, 4, 50)); // never below 4
    for (int i = 0; i < 100; ++i) h.controller->handleKey(KeyCode::rightArrow, true, true);
    EXPECT_EQ(model.selection()->right(), 800);        // never past the display
    h.controller->handleKey(KeyCode::a, false, false); // other keys: nothing
    EXPECT_EQ(h.completions, 0);
}

TEST(OverlayControllerTest, EscapeCancelsAndSpaceSwitchesModes) {
    Harness h;
    OverlayModel &model = h.controller->model();
    h.draw({10, 10}, {110, 60});
    model.setMouse({200, 150});
    h.controller->handleKey(KeyCode::space, false, false);
    EXPECT_EQ(model.mode(), OverlayModel::Mode::window);
    EXPECT_FALSE(model.selection());
    EXPECT_EQ(model.phase(), OverlayModel::Phase::idle);
    ASSERT_TRUE(model.hoveredWindow());
    EXPECT_EQ(model.hoveredWindow()->id, 11u);
    EXPECT_EQ(h.view()->hints().first().text, QStringLiteral("capturar"));
    h.controller->handleKey(KeyCode::space, false, false);
    EXPECT_EQ(model.mode(), OverlayModel::Mode::area);
    EXPECT_FALSE(model.hoveredWindow());

    h.controller->handleKey(KeyCode::escape, false, false);
    ASSERT_EQ(h.completions, 1);
    EXPECT_FALSE(h.result->has_value());
}

TEST(OverlayControllerTest, WindowModeClickTakesTheWindowUnderThePointer) {
    Harness h(OverlayModel::Mode::window);
    h.view()->hover({500, 200});
    EXPECT_EQ(h.controller->model().hoveredWindow()->id, 12u);
    const auto layout = h.view()->layout();
    EXPECT_TRUE(layout.windowBadge.has_value());
    EXPECT_TRUE(layout.sizeTag.has_value());
    h.view()->press({500, 200}, 1);
    h.view()->release({500, 200});
    ASSERT_EQ(h.completions, 1);
    ASSERT_TRUE(h.result->has_value());
    EXPECT_EQ((*h.result)->kind, OverlayResult::Kind::window);
    EXPECT_EQ((*h.result)->window.id, 12u);
}

TEST(OverlayControllerTest, SmallDrawingsAreDroppedAndInstantReleaseConfirms) {
    auto &defaults = platform::UserDefaults::standard();
    {
        Harness h;
        h.draw({10, 10}, {13, 200}); // 3 wide
        EXPECT_EQ(h.controller->model().phase(), OverlayModel::Phase::idle);
        EXPECT_FALSE(h.controller->model().selection());
        EXPECT_EQ(h.completions, 0);
    }
    defaults.setString(Settings::areaRelease.key(), QStringLiteral("instant"));
    {
        Harness h;
        h.draw({10, 10}, {13, 200});
        EXPECT_EQ(h.completions, 0);
        h.draw({10, 10}, {14, 14});
        ASSERT_EQ(h.completions, 1);
        EXPECT_EQ((*h.result)->rect, QRectF(10, 10, 4, 4));
    }
    defaults.remove(Settings::areaRelease.key());
}

TEST(OverlayControllerTest, MovingHandlesAndDoubleClick) {
    Harness h;
    OverlayModel &model = h.controller->model();
    h.draw({100, 100}, {300, 200});
    // Inside: move, clamped to the display.
    h.view()->press({200, 150}, 1);
    h.view()->dragTo({-500, 150});
    h.view()->release({-500, 150});
    EXPECT_EQ(model.selection(), QRectF(0, 100, 200, 100));
    // Within 12 points of the right-middle handle: resize, never below 4 points.
    h.view()->press({205, 150}, 1);
    h.view()->dragTo({205 - 198, 150});
    h.view()->release({205 - 198, 150});
    EXPECT_EQ(model.selection(), QRectF(0, 100, 4, 100));
    // Dragged wholly off the display, a resize is ignored and the last good selection stays.
    h.view()->press({4, 150}, 1);
    h.view()->dragTo({4 - 300, 150});
    h.view()->release({4 - 300, 150});
    EXPECT_EQ(model.selection(), QRectF(0, 100, 4, 100));
    // Outside: a new drawing replaces it.
    h.draw({400, 400}, {500, 450});
    EXPECT_EQ(model.selection(), QRectF(400, 400, 100, 50));
    EXPECT_EQ(h.view()->cursorAt({450, 425}), Qt::OpenHandCursor);
    EXPECT_EQ(h.view()->cursorAt({450, 400}), Qt::SizeVerCursor);
    EXPECT_EQ(h.view()->cursorAt({500, 425}), Qt::SizeHorCursor);
    EXPECT_EQ(h.view()->cursorAt({400, 400}), Qt::CrossCursor);
    // A double click inside confirms.
    h.view()->press({450, 425}, 2);
    h.view()->release({450, 425});
    EXPECT_EQ(h.completions, 1);
}

TEST(OverlayControllerTest, PressesBetweenTheToolbarsButtonsKeepTheSelection) {
    Harness h;
    OverlayModel &model = h.controller->model();
    h.draw({100, 100}, {400, 300});
    const QRectF pill = *h.view()->layout().toolbar;
    // The size text at the pill's left end is no button; the press must not start a new drawing.
    const QPoint onPill = QPoint(int(pill.left()) + 12, int(pill.top()) + 14);
    QTest::mousePress(h.view(), Qt::LeftButton, {}, onPill);
    QTest::mouseMove(h.view(), onPill + QPoint(40, 30));
    QTest::mouseRelease(h.view(), Qt::LeftButton, {}, onPill + QPoint(40, 30));
    EXPECT_EQ(model.selection(), QRectF(100, 100, 300, 200));
    EXPECT_EQ(model.phase(), OverlayModel::Phase::adjusting);
    const QRectF hud = *h.view()->layout().hud;
    const QPoint onHud = QPoint(int(hud.right()) - 6, int(hud.center().y()));
    QTest::mouseClick(h.view(), Qt::LeftButton, {}, onHud);
    EXPECT_EQ(model.selection(), QRectF(100, 100, 300, 200));
    EXPECT_EQ(h.completions, 0);
}

// The window badge sits on the hovered window, which is shown sharp: its text must not show through.
TEST(OverlayControllerTest, TheWindowBadgeHidesTheTextBeneathIt) {
    CaptureSession session = makeSession();
    QImage &frozen = session.snapshots.first().image;
    for (int x = 100; x < 400; ++x)
        for (int y = 100; y < 300; ++y) frozen.setPixel(x, y, (x / 2) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    OverlayController controller(
        session, OverlayModel::Mode::window, [](std::optional<OverlayResult>) {},
        [](quint32) { return QGuiApplication::primaryScreen(); });
    controller.show();
    OverlayView *view = controller.views().first();
    view->hover({250, 200});
    const auto badge = view->layout().windowBadge;
    ASSERT_TRUE(badge.has_value());
    const QImage shown = view->grab().toImage();
    // The badge's left padding, over black and white stripes one pixel apart.
    int darkest = 255, lightest = 0;
    for (int x = int(badge->left()) + 3; x < int(badge->left()) + 9; ++x) {
        const int gray = qGray(shown.pixel(x, int(badge->center().y())));
        darkest = std::min(darkest, gray);
        lightest = std::max(lightest, gray);
    }
    EXPECT_LT(lightest - darkest, 24);
    controller.handleKey(KeyCode::escape, false, false);
}

// Another program's name for its window is drawn on the badge letter for letter: markup in it is
// text, and the picture it names (a FIFO) is never read.
TEST(OverlayControllerTest, AWindowNameHoldingMarkupIsShownAsText) {
    const testsupport::TempFolder temp;
    const testsupport::MarkupWithFifo markup(temp.path());
    CaptureSession session = makeSession();
    session.windows.first().appName = markup.text();
    OverlayController controller(
        session, OverlayModel::Mode::window, [](std::optional<OverlayResult>) {},
        [](quint32) { return QGuiApplication::primaryScreen(); });
    controller.show();
    OverlayView *view = controller.views().first();
    view->hover({250, 200});
    ASSERT_TRUE(view->layout().windowBadge.has_value());
    view->grab();
    EXPECT_FALSE(markup.read());
    controller.handleKey(KeyCode::escape, false, false);
}

// Nor is that name a path to an icon: looked up in the icon theme, "../fifo/picture" would leave the
// theme's folder for a FIFO whose read never ends.
TEST(OverlayControllerTest, AWindowNameLeadsToNoFileOutsideTheIconTheme) {
    const testsupport::TempFolder temp;
    ASSERT_TRUE(QDir().mkpath(temp.file(QStringLiteral("icons/proof/apps"))));
    ASSERT_TRUE(QDir().mkpath(temp.file(QStringLiteral("icons/proof/fifo"))));
    ASSERT_TRUE(temp.write(QStringLiteral("icons/proof/index.theme"),
                           "[Icon Theme]\nName=proof\nDirectories=apps\n\n[apps]\nSize=32\nType=Fixed\n"));
    const testsupport::MarkupWithFifo markup(temp.file(QStringLiteral("icons/proof/fifo"))); // its picture.png
    const QStringList searched = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({temp.file(QStringLiteral("icons"))});
    QIcon::setThemeName(QStringLiteral("proof"));
    CaptureSession session = makeSession();
    session.windows.first().appName = QStringLiteral("../fifo/picture");
    {
        OverlayController controller(
            session, OverlayModel::Mode::window, [](std::optional<OverlayResult>) {},
            [](quint32) { return QGuiApplication::primaryScreen(); });
        controller.show();
        OverlayView *view = controller.views().first();
        view->hover({250, 200});
        view->grab();
        controller.handleKey(KeyCode::escape, false, false);
    }
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(searched);
    EXPECT_FALSE(markup.read());
}

// Display A spans x 0…800 and B 800…1600: x = 800 is B's first column, not A's last.
TEST(OverlayControllerTest, TheFarEdgeOfADisplayBelongsToTheNext) {
    FakeScreenServices fake;
    fake.pointer = QPointF(800, 300);
    CaptureSession session = makeSession();
    DisplaySnapshot b = session.snapshots.first();
    b.displayID = 8;
    b.bounds = QRectF(800, 0, 800, 600);
    session.snapshots << b;
    OverlayController controller(
        session, OverlayModel::Mode::area, [](std::optional<OverlayResult>) {},
        [](quint32) { return QGuiApplication::primaryScreen(); });
    controller.show();
    ASSERT_EQ(controller.views().size(), 2);
    OverlayView *a = controller.views()[0], *second = controller.views()[1];
    EXPECT_EQ(controller.keyWindow(), second);
    EXPECT_EQ(controller.viewForPointer(QPointF(800, 300)), second);
    EXPECT_EQ(controller.viewForPointer(QPointF(799.5, 300)), a);
    // The crosshair's hint card and the panel show on B alone.
    EXPECT_FALSE(a->layout().hud.has_value());
    EXPECT_FALSE(a->layout().hintCard.has_value());
    EXPECT_TRUE(second->layout().hud.has_value());
    controller.handleKey(KeyCode::escape, false, false);
}

// The window of one overlay is hidden and kept, holding nothing of its capture, and the next overlay
// shows it with its own; it goes once no capture came for a while.
TEST(OverlayControllerTest, TheNextOverlayReusesTheHiddenWindowAndIdleOnesGo) {
    OverlayWindows::release();
    QPointer<OverlayView> kept;
    {
        Harness h;
        kept = h.view();
        h.controller->handleKey(KeyCode::escape, false, false);
        ASSERT_TRUE(kept);
        EXPECT_FALSE(kept->isVisible());
        EXPECT_TRUE(kept->snapshot().image.isNull());
    }
    Harness a(OverlayModel::Mode::area, 2.0);
    Harness b; // while `a` is up: a window of its own
    EXPECT_EQ(a.view(), kept.data());
    EXPECT_NE(b.view(), kept.data());
    EXPECT_TRUE(a.view()->isVisible());
    EXPECT_EQ(a.view()->snapshot().image.size(), QSize(1600, 1200));
    a.draw({100, 100}, {300, 250});
    a.controller->handleKey(KeyCode::returnKey, false, false);
    ASSERT_TRUE(a.result && a.result->has_value());
    EXPECT_EQ((*a.result)->image.size(), QSize(400, 300));
    b.controller->handleKey(KeyCode::escape, false, false);
    EXPECT_EQ(OverlayWindows::keptCount(), 1); // one per screen

    OverlayWindows::setIdleLimitForTesting(30);
    Harness c;
    c.controller->handleKey(KeyCode::escape, false, false);
    EXPECT_TRUE(testsupport::becomes([] { return OverlayWindows::keptCount() == 0; }));
    OverlayWindows::setIdleLimitForTesting(OverlayWindows::idleLimitMs);
}

TEST(OverlayControllerTest, NoWindowFinishesAtOnceWithNoResult) {
    Harness h(OverlayModel::Mode::area, 1.0, /*withScreen=*/false);
    EXPECT_TRUE(h.controller->views().isEmpty());
    EXPECT_EQ(h.completions, 1);
    EXPECT_FALSE(h.result->has_value());
}

// Pictures for a person to look at, not a check: run with --gtest_also_run_disabled_tests.
TEST(OverlayControllerTest, DISABLED_RenderedStatesForAPersonToCheck) {
    const QString dir = QStringLiteral("overlay-");
    {
        Harness h;
        h.view()->hover({260, 220});
        h.view()->grab().save(testsupport::outputPath(dir + QStringLiteral("idle.png")));
        h.view()->press({100, 100}, 1);
        h.view()->dragTo({420, 330});
        h.view()->grab().save(testsupport::outputPath(dir + QStringLiteral("drawing.png")));
        h.view()->release({420, 330});
        h.view()->grab().save(testsupport::outputPath(dir + QStringLiteral("adjusting.png")));
    }
    {
        Harness h(OverlayModel::Mode::window);
        h.view()->hover({500, 200});
        h.view()->grab().save(testsupport::outputPath(dir + QStringLiteral("window.png")));
    }
}

// What the toolbar paints lies where its presses land: the size and divider, and each button inside the
// rectangle that takes its click, nothing in the gaps between them.
TEST(OverlayControllerTest, TheToolbarPaintsItsButtonsWhereTheyAreClicked) {
    Harness h;
    h.draw({100, 100}, {400, 300});
    const OverlayView::Layout l = h.view()->layout();
    ASSERT_TRUE(l.toolbar && l.toolbarSize && l.toolbarDivider && l.cancelButton && l.captureButton);
    const QImage shown = h.view()->grab().toImage();
    const QRectF pill = *l.toolbar;
    const QColor plate = shown.pixelColor(QPointF(l.toolbarDivider->right() + 5, pill.top() + 6).toPoint());
    const auto differs = [&](QColor c) {
        return std::abs(c.red() - plate.red()) + std::abs(c.green() - plate.green()) +
                   std::abs(c.blue() - plate.blue()) >
               30;
    };
    QPainterPath inside; // the pill within its outline and rounded corners
    inside.addRoundedRect(pill.adjusted(3, 3, -3, -3), 9, 9);
    int painted = 0;
    for (int y = int(pill.top()) + 3; y < int(pill.bottom()) - 3; ++y) {
        for (int x = int(pill.left()) + 3; x < int(pill.right()) - 3; ++x) {
            const QPointF at(x + 0.5, y + 0.5);
            if (!inside.contains(at) || !differs(shown.pixelColor(x, y))) continue;
            ++painted;
            const bool placed =
                std::any_of(std::begin({*l.toolbarSize, *l.toolbarDivider, *l.cancelButton, *l.captureButton}),
                            std::end({*l.toolbarSize, *l.toolbarDivider, *l.cancelButton, *l.captureButton}),
                            [&](const QRectF &r) { return r.adjusted(-1, -1, 1, 1).contains(at); });
            ASSERT_TRUE(placed) << "painted outside every piece at " << x << "," << y;
        }
    }
    EXPECT_GT(painted, 200);
    // The capture button's fill reaches its whole click rectangle, corners aside.
    const QRectF capture = *l.captureButton;
    EXPECT_TRUE(differs(shown.pixelColor(QPointF(capture.left() + 2, capture.center().y()).toPoint())));
    EXPECT_TRUE(differs(shown.pixelColor(QPointF(capture.right() - 2, capture.center().y()).toPoint())));
}
