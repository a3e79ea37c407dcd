#include "app/AppShellView.h"
#include "app/AppSidebar.h"
#include "core/Settings.h"
#include "editor_window/EditorPage.h"
#include "history/HistoryView.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

TEST(AppShellViewTest, TheEditorPageIsBuiltAfreshForEveryCapture) {
    AppRouter router;
    AppShellView shell(router);
    ASSERT_NE(shell.sidebar(), nullptr);
    EXPECT_EQ(shell.currentPage(), shell.pageWidget(AppRouter::Page::home));
    // The editor page without a capture: the placeholder.
    router.setPage(AppRouter::Page::editor);
    EXPECT_EQ(shell.editorPage(), nullptr);
    EXPECT_EQ(shell.currentPage()->objectName(), QStringLiteral("emptyEditor"));

    router.openEditor(testsupport::filledImage(30, 20, Qt::red), QString(), std::nullopt);
    QPointer<EditorPage> first = shell.editorPage();
    ASSERT_TRUE(first);
    EXPECT_EQ(shell.currentPage(), first.data());
    EXPECT_EQ(first->model(), router.editor());
    router.openEditor(testsupport::filledImage(30, 20, Qt::blue), QString(), std::nullopt);
    ASSERT_NE(shell.editorPage(), nullptr);
    EXPECT_NE(shell.editorPage(), first.data());
    EXPECT_EQ(shell.currentPage(), shell.editorPage());
    QTest::qWait(1);
    EXPECT_FALSE(first); // the previous view is gone

    router.closeEditor();
    EXPECT_EQ(router.page(), AppRouter::Page::home);
    EXPECT_EQ(shell.currentPage(), shell.pageWidget(AppRouter::Page::home));
}

TEST(AppShellViewTest, TheHistoryPageIsMadeAtItsFirstVisitAndStartsOverAtEach) {
    AppRouter router;
    AppShellView shell(router);
    EXPECT_EQ(shell.historyView(), nullptr);
    router.setPage(AppRouter::Page::history);
    HistoryView *page = shell.historyView();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(shell.currentPage(), page);
    page->searchField()->setText(QStringLiteral("conta"));
    router.setPage(AppRouter::Page::home);
    router.setPage(AppRouter::Page::history);
    EXPECT_EQ(shell.historyView(), page);
    EXPECT_EQ(page->searchField()->text(), QString());

    // Keeping off: "Abrir Ajustes" goes to the settings page.
    Settings::historyKeep.set(0);
    page->reload();
    ASSERT_NE(page->emptyAction(), nullptr);
    page->emptyAction()->click();
    EXPECT_EQ(router.page(), AppRouter::Page::settings);
    Settings::historyKeep.reset();
}
