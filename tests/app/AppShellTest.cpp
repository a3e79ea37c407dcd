#include "app/AppCommand.h"
#include "app/AppRouter.h"
#include "app/AppShell.h"
#include "app/MainWindowController.h"
#include "app/TrayMenu.h"
#include "editor/EditorPage.h"

#include <QAbstractButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::darkCyan);
    return image;
}

} // namespace

TEST(AppRouterTest, OpeningClosingAndDeletedSources) {
    AppRouter router;
    router.setPage(AppRouter::Page::history);
    router.openEditor(picture(10, 10), QStringLiteral("/r/a.png"), std::nullopt);
    QPointer<EditorModel> first = router.editor();
    ASSERT_TRUE(first);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_EQ(first->imageSize(), QSize(10, 10));

    // A second capture replaces the first at once; the first's close hook is not called.
    bool firstClosed = false;
    first->onClose = [&] { firstClosed = true; };
    router.openEditor(picture(20, 10), QString(), std::nullopt);
    EXPECT_NE(router.editor(), first.data());
    EXPECT_FALSE(firstClosed);
    QTest::qWait(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first); // released

    // A capture that was never kept is never closed by deletions.
    router.recentDeleted({QStringLiteral("/r/a.png"), QString()});
    EXPECT_NE(router.editor(), nullptr);

    // A file written later for the open capture becomes its source; one of another image does not,
    // nor does a later file replace a known source.
    const QImage late = picture(7, 7);
    router.openEditor(late, QString(), std::nullopt);
    router.recentWritten(QStringLiteral("/r/other.png"), picture(7, 7));
    EXPECT_TRUE(router.editor()->sourcePath().isEmpty());
    router.recentWritten(QStringLiteral("/r/late.png"), late);
    EXPECT_EQ(router.editor()->sourcePath(), QStringLiteral("/r/late.png"));
    router.recentWritten(QStringLiteral("/r/again.png"), late);
    EXPECT_EQ(router.editor()->sourcePath(), QStringLiteral("/r/late.png"));
    router.recentDeleted({QStringLiteral("/r/late.png")});
    EXPECT_EQ(router.editor(), nullptr);

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
    // The beautified result is rendered in the background.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shell->editorPage()->imageRect().isEmpty(); }, 5000));
    router.editor()->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(controller.isOpen());
    EXPECT_EQ(DockPresence::openWindows(), before);
    window->close(); // a second close changes nothing
    EXPECT_EQ(DockPresence::openWindows(), before);
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_NE(router.editor(), nullptr);
    window->close();
    router.closeEditor();
}

TEST(AppCommandTest, ArgumentsAndMessages) {
    const QString program = QStringLiteral("pelicarta");
    EXPECT_EQ(AppCommand::fromArguments({program})->kind, AppCommand::Kind::show);
    EXPECT_EQ(AppCommand::fromArguments({program, QStringLiteral("--quit")})->kind, AppCommand::Kind::quit);
    const QList<QPair<QString, ShortcutAction>> actions = {
        {QStringLiteral("area"), ShortcutAction::captureArea},
        {QStringLiteral("window"), ShortcutAction::captureWindow},
        {QStringLiteral("fullscreen"), ShortcutAction::captureFullScreen},
        {QStringLiteral("repeat"), ShortcutAction::repeatLastArea},
        {QStringLiteral("tutorial"), ShortcutAction::toggleTutorial}};
    for (const auto &[name, action] : actions) {
        const auto command = AppCommand::fromArguments({program, QStringLiteral("--capture"), name});
        ASSERT_TRUE(command) << name.toStdString();
        EXPECT_EQ(command->action, action);
        const auto back = AppCommand::fromMessage(command->message());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->action, action);
        EXPECT_EQ(AppCommand::fromArguments({program, QStringLiteral("--capture=") + name})->action, action);
    }
    QString error;
    EXPECT_FALSE(AppCommand::fromArguments({program, QStringLiteral("--capture")}, &error));
    EXPECT_FALSE(AppCommand::fromArguments({program, QStringLiteral("--capture"), QStringLiteral("Area")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Area")));
    EXPECT_FALSE(AppCommand::fromArguments({program, QStringLiteral("--quit"), QStringLiteral("now")}));
    EXPECT_FALSE(AppCommand::fromMessage({QStringLiteral("capture"), QStringLiteral("everything")}));
    EXPECT_FALSE(AppCommand::fromMessage({}));
}

TEST(TrayMenuTest, RowsInOrderAndSairAsksToQuit) {
    TrayMenu menu;
    QStringList rows;
    for (QAbstractButton *button : menu.findChildren<QAbstractButton *>()) rows.append(button->accessibleName());
    EXPECT_EQ(rows, (QStringList{QStringLiteral("Capturar área"), QStringLiteral("Capturar janela"),
                                 QStringLiteral("Capturar tela inteira"), QStringLiteral("Repetir última área"),
                                 QStringLiteral("Gravar tutorial (liga/desliga)"), QStringLiteral("Abrir Pelicarta"),
                                 QStringLiteral("Ajustes…"), QStringLiteral("Sair")}));
    QSignalSpy quit(&menu, &TrayMenu::quitRequested);
    menu.popup(QRect(500, 0, 22, 22));
    EXPECT_TRUE(menu.isVisible());
    menu.row(QStringLiteral("Sair"))->click();
    EXPECT_FALSE(menu.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit.size() == 1; }, 1000));

    // "Ajustes…" opens the main window on the settings page.
    menu.popup(QRect());
    menu.row(QStringLiteral("Ajustes…"))->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return MainWindowController::shared().isOpen(); }, 1000));
    EXPECT_EQ(AppRouter::shared().page(), AppRouter::Page::settings);
    MainWindowController::shared().window()->close();
}
