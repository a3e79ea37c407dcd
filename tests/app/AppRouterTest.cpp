#include "app/AppRouter.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage picture(int w, int h) { return testsupport::filledImage(w, h, Qt::darkCyan); }

} // namespace

TEST(AppRouterTest, OpeningClosingAndDeletedSources) {
    AppRouter router;
    router.setPage(AppRouter::Page::history);
    router.openEditor(picture(10, 10), QStringLiteral("/r/a.png"), std::nullopt);
    QPointer<EditorModel> first = router.editor();
    ASSERT_TRUE(first);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_EQ(first->document().imageSize(), QSize(10, 10));

    // A second capture replaces the first at once; the first's close hook is not called.
    bool firstClosed = false;
    first->onClose = [&] { firstClosed = true; };
    router.openEditor(picture(20, 10), QString(), std::nullopt);
    EXPECT_NE(router.editor(), first.data());
    EXPECT_FALSE(firstClosed);
    EXPECT_TRUE(testsupport::becomes([&] { return first.isNull(); })); // released

    // A capture that was never kept is never closed by deletions.
    router.recentDeleted({QStringLiteral("/r/a.png"), QString()});
    EXPECT_NE(router.editor(), nullptr);

    router.openEditor(picture(5, 5), QStringLiteral("/r/b.png"), std::nullopt);
    router.recentDeleted({QStringLiteral("/r/c.png")});
    EXPECT_NE(router.editor(), nullptr);
    router.recentDeleted({QStringLiteral("/r/c.png"), QStringLiteral("/r/b.png")});
    EXPECT_EQ(router.editor(), nullptr);
    EXPECT_EQ(router.page(), AppRouter::Page::home);

    // Closing from elsewhere keeps the page that shows.
    router.openEditor(picture(5, 5), QString(), std::nullopt);
    router.setPage(AppRouter::Page::brand);
    router.closeEditor();
    EXPECT_EQ(router.page(), AppRouter::Page::brand);
}
