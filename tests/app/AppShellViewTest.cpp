#include "app/AppShellView.h"
#include "app/AppSidebar.h"
#include "editor_window/EditorPage.h"
#include "support/TestSupport.h"

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
