#include "core/TextRecognizer.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

// `text` as an interface draws it: one line in `family` at `px` pixels, light or dark.
QImage rendered(const QString &text, const QString &family, int px, bool dark) {
    QFont font(family);
    font.setPixelSize(px);
    QImage image(QSize(40 + px * int(text.size()), px * 3), QImage::Format_RGB32);
    image.fill(dark ? QColor(0x1e1f22) : QColor(Qt::white));
    QPainter p(&image);
    p.setFont(font);
    p.setPen(dark ? QColor(0xdfe1e5) : QColor(0x1f2328));
    p.drawText(QPoint(20, px * 2), text);
    return image;
}

// The symbols of `text` this test is about, in order.
QString symbolsOf(const QString &text) {
    static const QString symbols = QStringLiteral("·×x.-");
    QString kept;
    for (const QChar c : text) {
        if (symbols.contains(c)) kept += c;
    }
    return kept;
}

} // namespace

TEST(SymbolRepairTest, MiddleDotsMultiplicationSignsAndPeriodsReadAsDrawnWhileHyphensAndLettersXStay) {
    QStringList texts = {QStringLiteral("Início · Ctrl+1"), QStringLiteral("580 × 260"), QStringLiteral("v4.12.0"),
                         QStringLiteral("Arquivo · Editar · Ajuda"), QStringLiteral("1920×1080 · 2,4 MB"),
                         QStringLiteral("versão 10.2.3"), QStringLiteral("e-mail 2024-01-05")};
    int cases = 0, whole = 0;
    QStringList wrong;
    for (const QString &family : {QStringLiteral("Inter"), QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans"),
                                  QStringLiteral("DejaVu Sans Mono")}) {
        // Inter draws an "x" between digits raised, as a multiplication sign: that one reads as "×".
        QStringList all = texts;
        if (family != QLatin1String("Inter")) all.append(QStringLiteral("box 4x4 taxa"));
        // 13 and 16 pixels, on a 1x screen and on a 2x one.
        for (const int px : {13, 16, 26, 32}) {
            for (const bool dark : {false, true}) {
                for (const QString &text : all) {
                    const QString read =
                        TextRecognizer::joinedText(TextRecognizer::readLines(rendered(text, family, px, dark)));
                    ++cases;
                    whole += read == text;
                    if (symbolsOf(read) != symbolsOf(text))
                        wrong.append(QStringLiteral("%1 %2 px %3: %4")
                                         .arg(family)
                                         .arg(px)
                                         .arg(QLatin1String(dark ? "dark" : "light"), read));
                }
            }
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1String(" | ")).toStdString();
    // The words around them read too (a letter here and there may go: "Ctrl" as "Ctri").
    EXPECT_GE(whole, cases * 95 / 100) << whole << " of " << cases;
}
