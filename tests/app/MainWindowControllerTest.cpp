#include "app/AppRouter.h"
#include "app/AppShellView.h"
#include "app/MainWindowController.h"
#include "app/MainWindowFrame.h"
#include "app/OnboardingView.h"
#include "core/Settings.h"
#include "editor/EditorModel.h"
#include "editor_window/ColorPanelBridge.h"
#include "editor_window/CommandBarView.h"
#include "editor_window/CommandList.h"
#include "editor_window/EditorView.h"
#include "editor_window/PreviewStage.h"
#include "editor_window/ShortcutsSheet.h"
#include "platform/KeyEvent.h"
#include "platform/ScreenServices.h"
#include "platform/StringTables.h"
#include "platform/TextFolding.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "widgets/Keycap.h"

#include <QColorDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

QImage cyanPicture(int w, int h) { return testsupport::filledImage(w, h, Qt::darkCyan); }

struct MainWindowControllerTest : testing::Test {
    MainWindowController &controller = MainWindowController::shared();
    AppRouter &router = AppRouter::shared();

    // The window past the first-run onboarding, which would otherwise fill it.
    void SetUp() override { Settings::hasCompletedOnboarding.set(true); }
    void TearDown() override {
        Settings::hasCompletedOnboarding.reset();
        controller.setEditorKeyTable({});
        if (QWidget *window = controller.window()) window->close();
        router.closeEditor();
        router.setPage(AppRouter::Page::home);
        Settings::sidebarCollapsed.reset();
    }
    QWindow *handle() const { return controller.window()->windowHandle(); }
    // The shell the open window holds.
    AppShellView *shellView() const { return controller.window()->findChild<AppShellView *>(); }
};

} // namespace

TEST_F(MainWindowControllerTest, OneWindowCountedOnceAndClosingKeepsTheEditor) {
    const int before = DockPresence::openWindows();
    controller.show(AppRouter::Page::settings);
    QWidget *window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pelicarta"));
    // 1240 × 800 where the screen allows it with a frame around, never below the minimum (no window
    // manager says how wide its frame is here: the guess).
    EXPECT_EQ(window->size(),
              MainWindowFrame::opening(window->screen()->availableGeometry(), MainWindowFrame::frameGuess).size());
    EXPECT_EQ(window->minimumSize(), QSize(1000, 660));
    AppShellView *shell = shellView();
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->currentPage(), shell->pageWidget(AppRouter::Page::settings));
    controller.show(AppRouter::Page::home);
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(DockPresence::openWindows(), before + 1);
    EXPECT_EQ(shell->currentPage(), shell->pageWidget(AppRouter::Page::home));

    // The editor's close hook closes the window; the capture stays open and comes back with it.
    router.openEditor(cyanPicture(30, 20), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    ASSERT_NE(shell->editorView(), nullptr);
    EXPECT_EQ(shell->editorView()->model(), router.editor());
    // The beautified result is rendered in the background.
    EXPECT_TRUE(testsupport::becomes([&] {
        return !testsupport::namedChild<PreviewStage>(*shell->editorView(), "previewStage")->pictureRect().isEmpty();
    }));
    EXPECT_EQ(shell->currentPage(), shell->editorView());
    // The colour panel of a window that closes no longer changes anything.
    QColor picked;
    ColorPanelBridge::shared().open(Qt::red, [&](const QColor &c) { picked = c; });
    router.editor()->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(controller.isOpen());
    EXPECT_FALSE(ColorPanelBridge::shared().onChange);
    EXPECT_FALSE(ColorPanelBridge::shared().panel()->isVisible());
    ColorPanelBridge::shared().panel()->setCurrentColor(Qt::blue);
    EXPECT_FALSE(picked.isValid());
    EXPECT_EQ(DockPresence::openWindows(), before);
    window->close(); // a second close changes nothing
    EXPECT_EQ(DockPresence::openWindows(), before);
    // Closed, it lets its native window and the pixels behind it go; shown again, it comes back whole.
    EXPECT_TRUE(testsupport::becomes([&] { return window->windowHandle() == nullptr; }));
    controller.show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_NE(router.editor(), nullptr);
}

// While the window is closed its editor holds the capture only packed; shown again, the page shows
// the same capture.
TEST_F(MainWindowControllerTest, AClosedWindowsEditorLetsTheCapturePixelsGo) {
    QImage *pixels = new QImage(cyanPicture(300, 200).convertToFormat(QImage::Format_RGB32));
    bool freed = false;
    {
        const QImage capture(
            pixels->bits(), pixels->width(), pixels->height(), pixels->bytesPerLine(), pixels->format(),
            [](void *info) { *static_cast<bool *>(info) = true; }, &freed);
        router.openEditor(capture, QString(), std::nullopt);
    }
    controller.show(AppRouter::Page::editor);
    auto *stage = testsupport::namedChild<PreviewStage>(*shellView()->editorView(), "previewStage");
    ASSERT_TRUE(testsupport::becomes([&] { return !stage->pictureRect().isEmpty(); }));
    controller.window()->close();
    EXPECT_TRUE(testsupport::becomes([&] { return freed; }));
    EXPECT_TRUE(router.editor()->document().isOriginalPacked());
    controller.show();
    EXPECT_TRUE(testsupport::becomes([&] { return !stage->pictureRect().isEmpty(); }));
    EXPECT_EQ(router.editor()->document().original(), *pixels);
    if (freed) delete pixels; // else still drawn from: left to the process's end
}

// A new capture's page takes the place of the one on screen only when it is whole: the window never
// shows an empty page, nor, once closed, comes back on the previous capture; the page that went takes
// its capture with it.
TEST_F(MainWindowControllerTest, ANewCapturesPageReplacesTheOldOneWithNothingInBetween) {
    struct ShownPages : QObject {
        QWidget *window = nullptr;
        QList<EditorModel *> atShow;
        QList<EditorModel *> now() const {
            QList<EditorModel *> models;
            for (EditorView *view : window->findChildren<EditorView *>())
                if (view->isVisibleTo(window)) models.append(view->model());
            return models;
        }
        bool eventFilter(QObject *watched, QEvent *event) override {
            if (event->type() == QEvent::Show && watched == window) atShow = now();
            if (auto *view = qobject_cast<EditorView *>(watched);
                view && event->type() == QEvent::Paint && !firstPainted)
                firstPainted = view->model();
            return false;
        }
        EditorModel *firstPainted = nullptr;
    } pages;
    router.openEditor(cyanPicture(300, 200), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    pages.window = controller.window();
    pages.window->installEventFilter(&pages);
    QPointer<EditorModel> first = router.editor();
    ASSERT_EQ(shellView()->editorView()->model(), first.data());

    router.openEditor(cyanPicture(200, 300), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    EditorModel *second = router.editor();
    for (int turn = 0; turn < 20; ++turn) {
        const QList<EditorModel *> shown = pages.now();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown.first() == first.data() || shown.first() == second);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(pages.now(), QList<EditorModel *>{second});

    // Taken off the screen for a grab and back while the next capture's page is being made: the first
    // page it paints is that capture's.
    router.openEditor(cyanPicture(120, 80), QString(), std::nullopt);
    handle()->hide();
    handle()->show();
    qApp->installEventFilter(&pages);
    ASSERT_TRUE(testsupport::becomes([&] { return pages.firstPainted != nullptr; }));
    qApp->removeEventFilter(&pages);
    EXPECT_EQ(pages.firstPainted, router.editor());

    pages.window->close();
    router.openEditor(cyanPicture(100, 100), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    EXPECT_TRUE(controller.isOpen());
    ASSERT_TRUE(testsupport::becomes([&] { return pages.window->isVisible(); }));
    EXPECT_EQ(pages.atShow, QList<EditorModel *>{router.editor()});
    EXPECT_EQ(shellView()->editorView()->model(), router.editor());
    EXPECT_TRUE(testsupport::becomes([&] { return !first; }));
    pages.window->removeEventFilter(&pages);
}

TEST_F(MainWindowControllerTest, AWindowHeldForAGrabComesBackOnceOnTheNewCaptureOrAsItWas) {
    router.openEditor(cyanPicture(300, 200), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    QWidget *window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, testsupport::patienceMs));
    struct Shows : QObject {
        QList<EditorModel *> models; // the page shown at each show of the window
        QWidget *window = nullptr;
        bool eventFilter(QObject *watched, QEvent *event) override {
            if (watched == window && event->type() == QEvent::Show)
                for (EditorView *view : window->findChildren<EditorView *>())
                    if (view->isVisibleTo(window)) models.append(view->model());
            return false;
        }
    } shows;
    shows.window = window;
    window->installEventFilter(&shows);

    // What a grab does to our windows: off the screen for the read, back after it unless held.
    const auto grab = [this] {
        handle()->hide();
        if (!platform::staysHiddenAfterGrab(handle())) handle()->show();
    };
    // Held, the window stays off after the grab and comes back once, on the new capture's page.
    controller.holdForCapture();
    grab();
    router.openEditor(cyanPicture(200, 300), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    controller.releaseHold();
    ASSERT_TRUE(testsupport::becomes([&] { return handle()->isVisible(); }));
    EXPECT_EQ(shows.models, QList<EditorModel *>{router.editor()});

    // A grab whose capture fails or goes elsewhere: back as it was, on the same capture.
    shows.models.clear();
    controller.holdForCapture();
    grab();
    controller.releaseHold();
    EXPECT_TRUE(handle()->isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(shows.models, QList<EditorModel *>{router.editor()});
    window->removeEventFilter(&shows);
}

TEST_F(MainWindowControllerTest, AWindowOpenedAgainAsItClosesKeepsItsKeys) {
    int keys = 0;
    controller.setEditorKeyTable([&](const platform::KeyEvent &event, EditorModel &) {
        if (event.keyCode == platform::KeyCode::a) ++keys;
        return event.keyCode == platform::KeyCode::a;
    });
    router.openEditor(cyanPicture(300, 200), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.window(), testsupport::patienceMs));
    // Closed, and asked for a new capture in the same turn: it shows once the page is whole.
    controller.window()->close();
    router.openEditor(cyanPicture(200, 300), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    ASSERT_TRUE(testsupport::becomes([&] { return controller.window()->isVisible(); }));
    testsupport::settle(); // what the close left to do has been done: the keys still reach the window
    QTest::keyClick(handle(), Qt::Key_A);
    EXPECT_GE(keys, 1);
}

TEST_F(MainWindowControllerTest, PageKeysGoByKeyPositionAndOtherKeysToTheEditor) {
    QList<QPair<platform::KeyEvent::Type, int>> table; // what reached the editor's key table
    controller.setEditorKeyTable([&](const platform::KeyEvent &event, EditorModel &) {
        // The modifier keys' own presses and releases (which the test's clicks also send) are left out.
        if (event.keyCode == platform::KeyCode::a || event.keyCode == platform::KeyCode::n1 ||
            event.keyCode == platform::KeyCode::n3)
            table.append({event.type, event.keyCode});
        return event.keyCode == platform::KeyCode::a;
    });
    controller.show(AppRouter::Page::home);
    QTest::keyClick(handle(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(router.page(), AppRouter::Page::history);
    // ⌘2 without a capture and ⌘⇧1 are no page keys; a key-up never is.
    QTest::keyClick(handle(), Qt::Key_2, Qt::ControlModifier);
    QTest::keyClick(handle(), Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyRelease(handle(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(router.page(), AppRouter::Page::history);
    QTest::keyClick(handle(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(router.page(), AppRouter::Page::home);
    // ⌃⌘S (Super+Ctrl+S) toggles the collapsed sidebar, which follows at once.
    QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier | Qt::MetaModifier);
    EXPECT_TRUE(Settings::sidebarCollapsed.value());
    QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier | Qt::MetaModifier);
    EXPECT_FALSE(Settings::sidebarCollapsed.value());
    EXPECT_TRUE(table.isEmpty());

    // With a capture open on the editor page, every other key-down and key-up reaches the editor.
    router.openEditor(cyanPicture(30, 20), QString(), std::nullopt);
    QTest::keyClick(handle(), Qt::Key_A);
    QTest::keyClick(handle(), Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
    using Type = platform::KeyEvent::Type;
    const QList<QPair<Type, int>> expected = {{Type::keyDown, platform::KeyCode::a},
                                              {Type::keyUp, platform::KeyCode::a},
                                              {Type::keyDown, platform::KeyCode::n1},
                                              {Type::keyUp, platform::KeyCode::n1}};
    EXPECT_EQ(table, expected);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    // What the editor used is swallowed; what it left goes on.
    platform::KeyEvent a;
    a.keyCode = platform::KeyCode::a;
    EXPECT_TRUE(controller.handle(a));
    a.keyCode = platform::KeyCode::b;
    EXPECT_FALSE(controller.handle(a));

    // Keys of any other window (the overlay, the quick panel) never reach the main window's keys.
    table.clear();
    QWidget other;
    other.show();
    QTest::keyClick(other.windowHandle(), Qt::Key_A);
    QTest::keyClick(other.windowHandle(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_TRUE(table.isEmpty());
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    // ⌘2 shows the editor again once a capture is open.
    QTest::keyClick(handle(), Qt::Key_1, Qt::ControlModifier);
    QTest::keyClick(handle(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);

    // A closed window has no key monitor.
    controller.window()->close();
    table.clear();
    QTest::keyClick(handle(), Qt::Key_A);
    EXPECT_TRUE(table.isEmpty());
}

// A first run with the editor behind the onboarding: the keys are the onboarding's until it is done.
TEST_F(MainWindowControllerTest, WhileTheOnboardingCoversTheWindowNoKeyActsBehindIt) {
    int keys = 0;
    controller.setEditorKeyTable([&](const platform::KeyEvent &, EditorModel &) {
        ++keys;
        return true;
    });
    Settings::hasCompletedOnboarding.reset();
    router.openEditor(cyanPicture(300, 200), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.window(), testsupport::patienceMs));
    OnboardingView *onboarding = shellView()->onboarding();
    ASSERT_NE(onboarding, nullptr);
    QTest::keyClick(handle(), Qt::Key_Escape);
    QTest::keyClick(handle(), Qt::Key_1);
    QTest::keyClick(handle(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(handle(), Qt::Key_3, Qt::ControlModifier);
    QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier | Qt::MetaModifier);
    EXPECT_EQ(keys, 0);
    EXPECT_TRUE(controller.isOpen());
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_FALSE(Settings::sidebarCollapsed.isStored(platform::UserDefaults::standard()));
    // Return moves the onboarding on, and only that.
    QTest::keyClick(handle(), Qt::Key_Return);
    EXPECT_EQ(onboarding->step(), 1);
    EXPECT_EQ(keys, 0);
    EXPECT_FALSE(Settings::hasCompletedOnboarding.value());

    // Done: the page keys and the editor's keys act again.
    Settings::hasCompletedOnboarding.set(true);
    ASSERT_EQ(shellView()->onboarding(), nullptr);
    QTest::keyClick(handle(), Qt::Key_1);
    EXPECT_GE(keys, 1);
    QTest::keyClick(handle(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(router.page(), AppRouter::Page::history);
}

TEST_F(MainWindowControllerTest, TheCommandBarAndTheShortcutsSheetTakeTheirKeysThroughTheWindow) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    router.openEditor(cyanPicture(300, 200), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.window(), testsupport::patienceMs));
    EditorModel &model = *router.editor();
    EditorView &view = *shellView()->editorView();
    const auto commandBar = [&] { return testsupport::namedChild<CommandBarView>(view, "commandBar"); };
    const auto type = [&](const QString &text) {
        for (QChar c : text) QTest::keyClick(handle(), c.toLatin1());
    };

    // Ctrl+K: the bar on its first row, its field taking what is typed.
    QTest::keyClick(handle(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(model.page().isCommandBarOpen());
    EXPECT_EQ(model.page().commandSelection(), 0);
    EXPECT_TRUE(commandBar()->searchField()->hasFocus());
    type(QStringLiteral("ACOES"));
    EXPECT_EQ(commandBar()->searchField()->text(), QStringLiteral("ACOES"));
    const QList<EditorCommand> rows = testsupport::namedChild<CommandList>(*commandBar(), "list")->rows();
    QStringList ids;
    for (const EditorCommand &row : rows) {
        ids << row.id;
        EXPECT_TRUE(platform::TextFolding::fold(row.group + u' ' + row.title).contains(QStringLiteral("acoes")));
    }
    EXPECT_EQ(rows.size(), 9) << ids.join(u' ').toStdString();
    EXPECT_TRUE(ids.contains(QStringLiteral("clear-annotations")) && ids.contains(QStringLiteral("copy")));

    // Esc closes; a new opening, five rows down, then a letter: back on the first row, ↓ gives the second.
    QTest::keyClick(handle(), Qt::Key_Escape);
    EXPECT_FALSE(model.page().isCommandBarOpen());
    QTest::keyClick(handle(), Qt::Key_K, Qt::ControlModifier);
    for (int i = 0; i < 5; ++i) QTest::keyClick(handle(), Qt::Key_Down);
    EXPECT_EQ(model.page().commandSelection(), 5);
    type(QStringLiteral("s"));
    EXPECT_EQ(model.page().commandSelection(), 0);
    QTest::keyClick(handle(), Qt::Key_Down);
    EXPECT_EQ(model.page().commandSelection(), 1);
    QTest::keyClick(handle(), Qt::Key_Escape);
    testsupport::finishAnimations(view); // faded out
    EXPECT_FALSE(commandBar()->isVisible());

    // "?" shows the 23 keys; Ctrl+Z while it shows only closes it.
    model.adjustPadding(8);
    const double padding = model.document().style().padding;
    QTest::keyClick(handle(), '?');
    ASSERT_TRUE(model.page().isShortcutsOpen());
    auto *sheet = testsupport::namedChild<ShortcutsSheet>(view, "shortcutsSheet");
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->findChildren<KeycapRow *>().size(), 23);
    QTest::keyClick(handle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(model.page().isShortcutsOpen());
    EXPECT_EQ(model.document().style().padding, padding);
    EXPECT_TRUE(model.document().canUndo());
    platform::StringTables::setCurrentLanguage({});
}
