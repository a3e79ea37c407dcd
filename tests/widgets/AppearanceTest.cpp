#include "platform/StringTables.h"
#include "widgets/Appearance.h"
#include "widgets/Theme.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>

#include <gtest/gtest.h>

// Qt's standard widgets take the Theme, and Qt's own texts speak the interface's language.
TEST(AppearanceTest, StandardWidgetsTakeTheThemeAndQtSpeaksPortuguese) {
    const QPalette before = QApplication::palette();
    const QString style = QApplication::style()->name();
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    Appearance::apply(*qApp);

    QMenu menu;
    EXPECT_EQ(menu.palette().color(QPalette::Window), Theme::bg());
    EXPECT_EQ(menu.palette().color(QPalette::Text), Theme::text());
    EXPECT_EQ(QScrollBar().palette().color(QPalette::Button), Theme::raised());
    EXPECT_EQ(QApplication::palette().color(QPalette::ToolTipText), Theme::text());
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    // The save dialog's title and the message boxes' buttons.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Salvar como"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
    // The dialog's type column, which Qt's own translation leaves in English.
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), QStringLiteral("Pasta"));

    platform::StringTables::setCurrentLanguage({});
    QApplication::setPalette(before);
    QApplication::setStyle(style);
}
