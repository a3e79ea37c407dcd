#include "pagetext/TextLayout.h"

#include "support/RecognitionCorpus.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QList<TextLayout::Line> linesOf(const QImage &image) {
    return TextLayout::findLines(TextPreparation::inkOf(TextPreparation::flattened(image)));
}

const TextLayout::Line *lineAt(const QList<TextLayout::Line> &lines, QPoint p) {
    const auto it =
        std::find_if(lines.begin(), lines.end(), [&](const TextLayout::Line &l) { return l.box.contains(p); });
    return it == lines.end() ? nullptr : &*it;
}

// The underscores found in `text` drawn in `family` at `px` pixels, black on white.
QList<TextLayout::Underscore> underscoresIn(const QString &text, const QString &family, int px) {
    QFont font(family);
    font.setPixelSize(px);
    QImage image(QSize(40 + int(QFontMetricsF(font).horizontalAdvance(text)), px * 3), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(20, px * 2), text);
    p.end();
    QList<TextLayout::Underscore> found;
    for (const TextLayout::Line &line : linesOf(image)) found.append(line.underscores);
    return found;
}

} // namespace

// Underscores are found between letters whether they touch both, one or none of them, in small print
// too, where a stroke of a pixel and a half spreads over two rows and runs into the hook of a "j"; the
// foot of an "L" at the end of a word, on the letters' baseline, is never taken for one for sure (the
// reading decides).
TEST(TextLayoutTest, UnderscoresAreFoundAndFeetAtTheEndOfWordsAreNot) {
    int keys = 0, found = 0;
    for (const QString &family : {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Sans Mono"),
                                  QStringLiteral("Inter"), QStringLiteral("Nimbus Sans")}) {
        for (const int px : {11, 12, 13, 16, 26}) {
            keys += 3;
            found += int(underscoresIn(QStringLiteral("sk_live_51Hx"), family, px).size());
            found += int(underscoresIn(QStringLiteral("relatorio_julho"), family, px).size());
            const QList<TextLayout::Underscore> feet = underscoresIn(QStringLiteral("HTML TOTAL CAL L"), family, px);
            EXPECT_TRUE(std::none_of(feet.begin(), feet.end(), [](const auto &u) { return u.sure; }))
                << family.toStdString() << " " << px << " px";
        }
    }
    EXPECT_GE(found, keys * 85 / 100) << found << " of " << keys;
}

// Tables, file lists and logs draw rows of small text on alternating colours, with and without grid
// lines: each row is found whole, ascenders and descenders included, however close the rows (the
// reader's tests check that it is read as well as the same page painted on one colour).
TEST(TextLayoutTest, SmallTextOnStripedRowsIsFoundWholeAsOnPlainPages) {
    const QList<corpus::Screen> striped = corpus::tableScreens();
    const QList<corpus::Screen> plain = corpus::tableScreens(false);
    ASSERT_EQ(striped.size(), plain.size());
    for (qsizetype i = 0; i < striped.size(); ++i) {
        const corpus::Screen &s = striped[i];
        const QList<TextLayout::Line> lines = linesOf(s.image), plainLines = linesOf(plain[i].image);
        QStringList cut;
        for (const corpus::TruthLine &cell : s.lines) {
            const QPoint centre = cell.box.center().toPoint();
            const TextLayout::Line *line = lineAt(lines, centre), *twin = lineAt(plainLines, centre);
            // One row, no taller than its cell, and as tall as the same text on one colour (where the
            // colours end, grid lines part cells that share a line there).
            const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
            const bool sameText = twin && near(line ? line->box.left() : 0, twin->box.left()) &&
                                  near(line ? line->box.right() : 0, twin->box.right());
            const bool whole =
                line && line->box.height() <= cell.box.height() + 3 &&
                (!sameText || (near(line->box.top(), twin->box.top()) && near(line->box.bottom(), twin->box.bottom())));
            if (!whole) cut.append(cell.text);
        }
        EXPECT_TRUE(cut.isEmpty()) << s.name.toStdString() << ": " << cut.join(QLatin1String(" | ")).toStdString();
    }
}

// On rows as close as their text is tall, a "j" or "y" of one row touches an "l" of the next: the
// chain of letters crosses a row's whole colour and cuts it in two. No word is split in two lines
// there ("typography.json" read as "typography" and "son"): a cell of one word is one line.
TEST(TextLayoutTest, WordsStayWholeWhereLettersTouchTheRowsAround) {
    for (const bool striped : {true, false}) {
        for (const corpus::Screen &s : corpus::tableScreens(striped)) {
            const QList<TextLayout::Line> lines = linesOf(s.image);
            QStringList split;
            for (const corpus::TruthLine &cell : s.lines) {
                if (cell.text.contains(QLatin1Char(' '))) continue;
                const auto inCell = [&](const TextLayout::Line &l) { return cell.box.contains(l.box.center()); };
                if (std::count_if(lines.begin(), lines.end(), inCell) > 1) split.append(cell.text);
            }
            EXPECT_TRUE(split.isEmpty()) << s.name.toStdString() << ": "
                                         << split.join(QLatin1String(" | ")).toStdString();
        }
    }
}
