#include "app/AppSidebar.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "platform/KeyEvent.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorials/TutorialStore.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct AppSidebarTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    ShortcutStore shortcuts{defaults};
    TutorialStore tutorials{temp.file(QStringLiteral("Tutoriais"))};
    AppRouter router;
    std::unique_ptr<AppSidebar> sidebar;

    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        sidebar = std::make_unique<AppSidebar>(router, shortcuts, tutorials, defaults);
        sidebar->resize(AppSidebar::expandedWidth, 700);
        sidebar->show();
    }
    void TearDown() override {
        sidebar.reset();
        platform::StringTables::setCurrentLanguage({});
    }
    QWidget *openPrint() const { return testsupport::namedChild<QWidget>(*sidebar, "openPrint"); }
    // A page's item ("page:home") or a capture button ("capture:captureArea").
    QAbstractButton *button(const char *name) const { return testsupport::namedChild<QAbstractButton>(*sidebar, name); }
    QWidget *recordingMark() const { return testsupport::namedChild<QWidget>(*sidebar, "recordingMark"); }
    // The row of the open capture (its thumbnail end, away from its close button).
    QWidget *openPrintRow() const {
        QWidget *block = openPrint();
        return block->childAt(QPoint(20, block->height() - 20));
    }
};

} // namespace

TEST_F(AppSidebarTest, ItemsFollowTheRouterAndTheOpenCapture) {
    QAbstractButton *editor = button("page:editor");
    EXPECT_EQ(button("page:home")->toolTip(), QStringLiteral("Início · Ctrl+1"));
    EXPECT_EQ(button("page:settings")->toolTip(), QStringLiteral("Ajustes · Ctrl+,"));
    // Without a capture the editor's item is dimmed and does nothing; there is no capture block.
    EXPECT_FALSE(editor->isEnabled());
    QTest::mouseClick(editor, Qt::LeftButton);
    EXPECT_EQ(router.page(), AppRouter::Page::home);
    EXPECT_FALSE(openPrint()->isVisible());
    button("page:history")->click();
    EXPECT_EQ(router.page(), AppRouter::Page::history);

    // Opening a capture, then looking at the history: the block shows it, a click goes back to it.
    router.openEditor(testsupport::filledImage(2880, 1800, Qt::darkCyan), QString(), std::nullopt);
    router.setPage(AppRouter::Page::history);
    EXPECT_TRUE(editor->isEnabled());
    ASSERT_TRUE(openPrint()->isVisible());
    EXPECT_EQ(sidebar->openPrintSize(), QStringLiteral("2880 × 1800"));
    QWidget *row = openPrintRow();
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(router.page(), AppRouter::Page::editor);

    // Its close button closes the capture: home from the editor page, elsewhere the page stays.
    auto *close = row->findChild<QAbstractButton *>();
    ASSERT_NE(close, nullptr);
    router.setPage(AppRouter::Page::brand);
    close->click();
    EXPECT_EQ(router.editor(), nullptr);
    EXPECT_EQ(router.page(), AppRouter::Page::brand);
    EXPECT_FALSE(openPrint()->isVisible());
    router.openEditor(testsupport::filledImage(40, 30, Qt::red), QString(), std::nullopt);
    openPrintRow()->findChild<QAbstractButton *>()->click();
    EXPECT_EQ(router.page(), AppRouter::Page::home);
}

TEST_F(AppSidebarTest, CaptureButtonsShowTheCurrentShortcuts) {
    QAbstractButton *area = button("capture:captureArea");
    EXPECT_EQ(area->toolTip(), QStringLiteral("Capturar área · Alt+Shift+A"));
    const QImage before = area->grab().toImage();
    shortcuts.setShortcut(ShortcutAction::captureArea,
                          Shortcut{platform::KeyCode::x,
                                   platform::ModifierFlag::command | platform::ModifierFlag::shift,
                                   QStringLiteral("X")});
    EXPECT_EQ(area->toolTip(), QStringLiteral("Capturar área · Ctrl+Shift+X"));
    EXPECT_NE(area->grab().toImage(), before); // the row shows the new keys, not the ones laid out first
    EXPECT_EQ(button("capture:captureWindow")->toolTip(), QStringLiteral("Capturar janela · Alt+Shift+W"));
}

TEST_F(AppSidebarTest, CollapsingFollowsTheSettingAndTheMarkFollowsRecording) {
    router.openEditor(testsupport::filledImage(40, 30, Qt::red), QString(), std::nullopt);
    EXPECT_EQ(sidebar->width(), AppSidebar::expandedWidth);
    auto *collapse = testsupport::namedChild<QAbstractButton>(*sidebar, "collapseButton");
    EXPECT_EQ(collapse->toolTip(), QStringLiteral("Recolher a barra lateral · Ctrl+Super+S"));
    collapse->click();
    EXPECT_TRUE(Settings::sidebarCollapsed.value(defaults));
    testsupport::finishAnimations(*sidebar);
    EXPECT_EQ(sidebar->width(), AppSidebar::collapsedWidth);
    EXPECT_TRUE(sidebar->isCollapsed());
    EXPECT_FALSE(openPrint()->isVisible());
    EXPECT_EQ(collapse->toolTip(), QStringLiteral("Mostrar a barra lateral · Ctrl+Super+S"));
    // Written anywhere else, the setting takes effect at once.
    Settings::sidebarCollapsed.set(false, defaults);
    EXPECT_FALSE(sidebar->isCollapsed());
    EXPECT_TRUE(openPrint()->isVisible());

    EXPECT_FALSE(recordingMark()->isVisible());
    tutorials.toggleRecording();
    EXPECT_TRUE(recordingMark()->isVisible());
    EXPECT_EQ(recordingMark()->size(), QSize(7, 7));
    EXPECT_EQ(recordingMark()->toolTip(), QStringLiteral("Gravando tutorial"));
    tutorials.toggleRecording();
    EXPECT_FALSE(recordingMark()->isVisible());
}

// The recording dot stands between the page's title and its key, touching neither, in both languages.
TEST_F(AppSidebarTest, TheRecordingDotKeepsClearOfTheTitleAndTheKey) {
    for (const char *language : {"pt-BR", "en"}) {
        platform::StringTables::setCurrentLanguage(QString::fromLatin1(language));
        AppSidebar shown(router, shortcuts, tutorials, defaults);
        shown.resize(AppSidebar::expandedWidth, 700);
        shown.show();
        if (!tutorials.isRecording()) tutorials.toggleRecording();
        QAbstractButton *item = testsupport::namedChild<QAbstractButton>(shown, "page:tutorial");
        QWidget *mark = testsupport::namedChild<QWidget>(shown, "recordingMark");
        const QRect dot = mark->geometry();
        ASSERT_TRUE(mark->isVisible());
        ASSERT_EQ(mark->parentWidget(), item);
        // What the row paints besides the icon: the title's and the key's ink, and the dot.
        const QImage row = item->grab().toImage();
        int keyLeft = item->width(), titleRight = 0;
        for (int x = 38; x < row.width(); ++x)
            for (int y = 0; y < row.height(); ++y) {
                if (dot.adjusted(-1, -1, 1, 1).contains(x, y)) continue;
                if (row.pixelColor(x, y).lightness() < 70) continue;
                if (x > dot.right()) keyLeft = std::min(keyLeft, x);
                else titleRight = std::max(titleRight, x);
            }
        ASSERT_LT(keyLeft, item->width());
        ASSERT_GT(titleRight, 38);
        EXPECT_GE(keyLeft - dot.right(), 4) << language;
        EXPECT_GE(dot.left() - titleRight, 4) << language;
        tutorials.toggleRecording();
    }
}
