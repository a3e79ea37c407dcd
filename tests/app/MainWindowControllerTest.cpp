#include "app/AppRouter.h"
#include "app/AppShell.h"
#include "app/MainWindowController.h"
#include "editor_window/EditorPage.h"
#include "support/TestSupport.h"

#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QImage picture(int w, int h) { return testsupport::filledImage(w, h, Qt::darkCyan); }

} // namespace

TEST(MainWindowControllerTest, OneWindowCountedOnceAndClosingKeepsTheEditor) {
    MainWindowController &controller = MainWindowController::shared();
    AppRouter &router = AppRouter::shared();
    const int before = DockPresence::openWindows();
    controller.show(AppRouter::Page::settings);
    QWidget *window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    // 1240 × 800 where the screen allows it, never below the minimum.
    EXPECT_EQ(window->size(), QSize(1240, 800).boundedTo(window->screen()->availableSize()).expandedTo(QSize(1000, 660)));
    EXPECT_EQ(window->minimumSize(), QSize(1000, 660));
    auto *shell = window->findChild<AppShell *>();
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->currentWidget(), shell->pageWidget(AppRouter::Page::settings));
    controller.show(AppRouter::Page::home);
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(DockPresence::openWindows(), before + 1);
    EXPECT_EQ(shell->currentWidget(), shell->pageWidget(AppRouter::Page::home));
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier); // "Ajustes…"
    EXPECT_EQ(router.page(), AppRouter::Page::settings);
    controller.show(AppRouter::Page::home);

    // The editor's close hook closes the window; the capture stays open and comes back with it.
    router.openEditor(picture(30, 20), QString(), std::nullopt);
    controller.show(AppRouter::Page::editor);
    EXPECT_EQ(shell->editorPage()->model(), router.editor());
    EXPECT_FALSE(shell->editorPage()->imageRect().isEmpty());
    router.editor()->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(controller.isOpen());
    EXPECT_EQ(DockPresence::openWindows(), before);
    window->close(); // a second close changes nothing
    EXPECT_EQ(DockPresence::openWindows(), before);
    // Closed, it lets its native window and the pixels behind it go; shown again, it comes back whole.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowHandle() == nullptr; }, 1000));
    controller.show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_NE(router.editor(), nullptr);
    window->close();
    router.closeEditor();
}
