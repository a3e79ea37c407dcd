#include "app/AppRouter.h"
#include "app/MainWindowController.h"
#include "app/MenuBarView.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "history/RecentThumbnail.h"
#include "history/RecentTileRow.h"
#include "history/RecentsStore.h"
#include "platform/KeyEvent.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct MenuBarViewTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    ShortcutStore shortcuts{defaults};
    std::unique_ptr<RecentsStore> recents;
    testsupport::FixedSession session;
    std::unique_ptr<MenuBarView> menu;

    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        Settings::historyCompact.set(false, defaults);
        recents = std::make_unique<RecentsStore>(defaults, temp.file(QStringLiteral("Recentes")));
        menu = std::make_unique<MenuBarView>(shortcuts, *recents, defaults);
    }
    void TearDown() override {
        menu.reset();
        platform::StringTables::setCurrentLanguage({});
    }
    QList<QAbstractButton *> rows() const { return menu->findChildren<QAbstractButton *>(QStringLiteral("row")); }
    QStringList rowTitles() const {
        QStringList titles;
        for (QAbstractButton *button : rows()) titles.append(button->text());
        return titles;
    }
    QAbstractButton *row(const QString &title) const {
        for (QAbstractButton *button : rows())
            if (button->text() == title) return button;
        throw std::runtime_error("no row " + title.toStdString());
    }
    // The shortcut a row shows at its right, also read out after its title.
    QString shortcutText(const QString &title) const { return row(title)->accessibleDescription(); }
    QString headerTitle() const { return testsupport::namedChild<QLabel>(*menu, "headerTitle")->text(); }
    // The second header line; empty while the greeting is off.
    QString headerSubtitle() const {
        const QLabel *subtitle = testsupport::namedChild<QLabel>(*menu, "headerSubtitle");
        return subtitle->isHidden() ? QString() : subtitle->text();
    }
    bool showsNoCaptures() const { return !testsupport::namedChild<QWidget>(*menu, "noCaptures")->isHidden(); }
    // The tiles shown: none while the row is hidden.
    QList<RecentThumbnail *> tiles() const {
        const auto *row = testsupport::namedChild<RecentTileRow>(*menu, "tiles");
        return row->isVisibleTo(menu.get()) ? row->tiles() : QList<RecentThumbnail *>();
    }
};

} // namespace

TEST_F(MenuBarViewTest, HeaderRowsAndShortcutsFollowTheSettingsAndTheStore) {
    menu->popup(QRect(500, 0, 22, 22));
    EXPECT_EQ(menu->width(), 320);
    EXPECT_EQ(headerTitle(), QStringLiteral("Bom dia, Ana"));
    EXPECT_EQ(headerSubtitle(), QStringLiteral("Pelicarta"));
    Settings::greetingEnabled.set(false, defaults);
    EXPECT_EQ(headerTitle(), QStringLiteral("Pelicarta"));
    EXPECT_EQ(headerSubtitle(), QString());
    EXPECT_EQ(menu->width(), 320);

    EXPECT_EQ(rowTitles(), (QStringList{"Capturar área", "Capturar janela", "Capturar tela inteira",
                                        "Repetir última área", "Gravar tutorial (liga/desliga)", "Abrir Pelicarta",
                                        "Histórico e busca…", "Ajustes…", "Sair"}));
    EXPECT_EQ(row(QStringLiteral("Sair"))->height(), 32);
    // Every combination is written as Linux desktops write it, Ctrl, Alt, Shift, Super in that order; a
    // change shows at once.
    EXPECT_EQ(shortcutText(QStringLiteral("Capturar janela")), QStringLiteral("Alt+Shift+W"));
    const Shortcut changed{platform::KeyCode::k,
                           platform::ModifierFlag::command | platform::ModifierFlag::option |
                               platform::ModifierFlag::control | platform::ModifierFlag::shift,
                           QStringLiteral("K")};
    shortcuts.setShortcut(ShortcutAction::captureWindow, changed);
    EXPECT_EQ(shortcutText(QStringLiteral("Capturar janela")), QStringLiteral("Ctrl+Alt+Shift+Super+K"));
    EXPECT_EQ(shortcutText(QStringLiteral("Sair")), QStringLiteral("Ctrl+Q"));
    EXPECT_EQ(shortcutText(QStringLiteral("Abrir Pelicarta")), QString());
}

// The tray panel's header greets a name holding markup letter for letter, its picture (a FIFO) unread.
TEST_F(MenuBarViewTest, ANameHoldingMarkupIsShownAsTyped) {
    const testsupport::MarkupWithFifo name(temp.path());
    Settings::customName.set(name.text(), defaults);
    menu->popup(QRect(500, 0, 22, 22));
    EXPECT_EQ(headerTitle(), QStringLiteral("Bom dia, ") + name.text());
    EXPECT_EQ(name.faultShowingIn(*menu), QString());
}

TEST_F(MenuBarViewTest, TheThreeNewestCapturesAsTilesAtTheLeft) {
    EXPECT_TRUE(showsNoCaptures());
    EXPECT_TRUE(tiles().isEmpty());
    for (QColor color : {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan})
        ASSERT_FALSE(recents->add(testsupport::filledImage(300, 200, color)).isEmpty());
    menu->popup(QRect(500, 0, 22, 22));
    EXPECT_FALSE(showsNoCaptures());
    const QList<RecentThumbnail *> shown = tiles();
    ASSERT_EQ(shown.size(), 3);
    QCoreApplication::sendPostedEvents(); // laid out
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shown[i]->item().path, recents->items()[i].path);
        EXPECT_EQ(shown[i]->height(), 58);
        EXPECT_EQ(shown[i]->mapTo(menu.get(), QPoint()).x(), 6 + 12 + i * (shown[0]->width() + 8));
    }
    menu->grab().save(testsupport::outputPath(QStringLiteral("tray-panel.png")));

    recents->deleteAll();
    EXPECT_TRUE(showsNoCaptures());
    EXPECT_TRUE(tiles().isEmpty());
}

TEST_F(MenuBarViewTest, RowsCloseThePanelFirstButQuittingDoesNot) {
    Settings::hasCompletedOnboarding.set(true);
    QSignalSpy quit(menu.get(), &MenuBarView::quitRequested);
    menu->popup(QRect());
    QTest::keyClick(menu.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.size(), 1);
    row(QStringLiteral("Sair"))->click();
    EXPECT_EQ(quit.size(), 2);
    EXPECT_TRUE(menu->isVisible());

    // "Ajustes…" with the main window closed: the panel goes, then the window opens on the settings.
    ASSERT_FALSE(MainWindowController::shared().isOpen());
    row(QStringLiteral("Ajustes…"))->click();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(testsupport::becomes([] { return MainWindowController::shared().isOpen(); }));
    EXPECT_EQ(AppRouter::shared().page(), AppRouter::Page::settings);
    MainWindowController::shared().window()->close();
}

TEST_F(MenuBarViewTest, ThePanelStaysOnTheScreenAndClearOfTheIconAsItGrows) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A tray at the bottom right, then one at the top.
    for (const QRect icon :
         {QRect(screen.right() - 30, screen.bottom() - 21, 22, 22), QRect(screen.left() + 40, 0, 22, 22)}) {
        recents->deleteAll();
        menu->popup(icon);
        const auto placedWell = [&] {
            const QRect panel = menu->frameGeometry();
            return screen.contains(panel) && !panel.intersects(icon);
        };
        EXPECT_TRUE(placedWell());
        // The first capture adds a row of tiles while the panel shows.
        ASSERT_FALSE(recents->add(testsupport::filledImage(300, 200, Qt::red)).isEmpty());
        EXPECT_TRUE(testsupport::becomes([&] { return !showsNoCaptures(); }));
        QCoreApplication::sendPostedEvents(); // laid out
        EXPECT_TRUE(placedWell()) << menu->frameGeometry().y() << "+" << menu->height();
        menu->hide();
    }
}

TEST_F(MenuBarViewTest, TheIconsClickClosesAnOpenPanel) {
    const QRect icon(500, 0, 22, 22);
    menu->toggle(icon);
    EXPECT_TRUE(menu->isVisible());
    menu->toggle(icon);
    EXPECT_FALSE(menu->isVisible());
    // The press on the icon closes the popup before the tray hears that click: the click does not
    // reopen it, however late the tray hears it. The next click does, however soon it comes.
    menu->popup(icon);
    QTest::mousePress(menu.get(), Qt::LeftButton, {}, menu->mapFromGlobal(icon.center()));
    EXPECT_FALSE(menu->isVisible());
    menu->toggle(icon);
    EXPECT_FALSE(menu->isVisible());
    menu->toggle(icon);
    EXPECT_TRUE(menu->isVisible());
    // A press elsewhere closes it too; a click on the icon then opens it at once.
    QTest::mousePress(menu.get(), Qt::LeftButton, {}, menu->mapFromGlobal(QPoint(icon.left() - 300, 500)));
    EXPECT_FALSE(menu->isVisible());
    menu->toggle(icon);
    EXPECT_TRUE(menu->isVisible());
}
