#include "support/TestSupport.h"
#include "widgets/PlainText.h"

#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// What a tooltip shows of `tip`: Qt lays it out as rich text when it looks like markup.
QString shownAsToolTip(const QString &tip) {
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

} // namespace

// A tooltip or a menu item shows a name letter for letter, whatever it holds, and never names a picture.
TEST(PlainTextTest, ToolTipsAndMenuItemsShowTextAsTyped) {
    const testsupport::TempFolder temp;
    const testsupport::MarkupWithFifo markup(temp.path());
    for (const QString &text :
         {markup.text(), QStringLiteral("x &lt; y"), QStringLiteral("  Fundo   azul  "), QStringLiteral("Rosa & Azul"),
          QStringLiteral("<p>Sol</p>"), QStringLiteral("<i>Lua</i>   e\nSol"), QString()}) {
        const QString tip = plainToolTip(text);
        EXPECT_EQ(shownAsToolTip(tip), text) << tip.toStdString();
        EXPECT_FALSE(tip.contains(QStringLiteral("<img"))) << tip.toStdString();
    }
    // Our own texts stay as they are.
    EXPECT_EQ(plainToolTip(QStringLiteral("Editar Oceano")), QStringLiteral("Editar Oceano"));
    // "&" would underline the next letter and vanish.
    EXPECT_EQ(plainMenuText(QStringLiteral("Rosa & Azul && &Verde")), QStringLiteral("Rosa && Azul &&&& &&Verde"));
    // "[*]" would stand for the window's modified mark and vanish.
    for (const QString &title :
         {QStringLiteral("Fundo [*]"), QStringLiteral("[*][*] e [*]"), QStringLiteral("Fundo")}) {
        QWidget window;
        window.setWindowTitle(plainWindowTitle(title));
        window.winId();
        EXPECT_EQ(window.windowHandle()->title(), title);
    }
    EXPECT_FALSE(markup.read());
}
