#include "app/AppRouter.h"
#include "app/MainWindowController.h"
#include "app/TrayMenu.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

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
