#include "pagetext/WordRecheck.h"

#include <gtest/gtest.h>

using platform::TextLine;

namespace {

// A read line whose words are given with their confidence; each character is a glyph 8 pixels wide,
// words 10 pixels apart, starting at x = 20 on a 30-pixel-high line image.
TextLine readLine(const QList<std::pair<QString, int>> &words, qreal x = 20) {
    TextLine line;
    for (const auto &[word, confidence] : words) {
        if (!line.text.isEmpty()) {
            line.text += QLatin1Char(' ');
            x += 10;
        }
        const qreal left = x;
        for (QChar c : word) {
            line.glyphs.append({line.text.size(), 1, QRectF(x, 8, 8, 14)});
            line.text += c;
            x += 8;
        }
        line.words.append({line.text.size() - word.size(), word.size(), QRectF(left, 8, x - left, 14), confidence});
    }
    line.box = QRectF(20, 8, x - 20, 14);
    return line;
}

// The line image: a grey level per column, so that what the strip copied can be told apart.
QImage lineImage(int width) {
    QImage image(width, 30, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < width; ++x) image.scanLine(y)[x] = uchar(x % 251);
    }
    return image;
}

bool increasing(const TextLine &line) {
    for (qsizetype i = 1; i < line.glyphs.size(); ++i) {
        if (line.glyphs[i].start <= line.glyphs[i - 1].start ||
            line.glyphs[i].box.left() < line.glyphs[i - 1].box.right())
            return false;
    }
    return true;
}

} // namespace

TEST(WordRecheckTest, UnsureRunsAreReadAgainAndTheSurerReadingKeepsItsUnderscoresInReadingOrder) {
    // The first reading: "chave" and "ok" are sure; "sk live" and "4eC3" are not (an underscore the
    // model does not know, read as a space), and so is "x" at the end.
    TextLine line = readLine({{"chave", 96}, {"sk", 70}, {"live", 60}, {"ok", 95}, {"x", 50}});
    const QImage image = lineImage(200);
    const WordRecheck::Strip strip = WordRecheck::stripOf(image, line);
    ASSERT_EQ(strip.cuts.size(), 2);
    const WordRecheck::Strip::Cut run = strip.cuts[0], last = strip.cuts[1];
    EXPECT_EQ(run.first, 1);
    EXPECT_EQ(run.end, 3);
    // Cut halfway into the gaps around the run ("chave" ends at 60, "sk" starts at 70; "live" ends
    // at 128, "ok" starts at 138), a line's height apart from the next cut.
    EXPECT_EQ(run.from, 65);
    EXPECT_EQ(run.to, 133);
    EXPECT_EQ(last.at - (run.at + run.to - run.from), 14);
    EXPECT_EQ(strip.image.height(), image.height());
    for (int x = run.from; x < run.to; ++x)
        EXPECT_EQ(strip.image.constScanLine(12)[run.at + x - run.from], image.constScanLine(12)[x]);

    // The second reading, in the strip's pixels: the run as one word with its underscore, surer;
    // the last word less sure than before.
    TextLine again = readLine({{"sk_live", 92}}, run.at + 5);
    TextLine tail = readLine({{"y", 40}}, last.at + 3);
    again.text += QStringLiteral(" y");
    again.glyphs.append({again.text.size() - 1, 1, tail.glyphs[0].box});
    again.words.append({again.text.size() - 1, 1, tail.words[0].box, 40});
    WordRecheck::merge(line, strip, {again});

    EXPECT_EQ(line.text, QStringLiteral("chave sk_live ok x"));
    EXPECT_TRUE(increasing(line));
    ASSERT_EQ(line.words.size(), 4);
    EXPECT_EQ(line.words[1].confidence, 92);
    EXPECT_EQ(line.text.mid(line.words[2].start, line.words[2].length), QStringLiteral("ok"));
    // The underscore lies where it was read, between "sk" and "live" of the line image.
    const std::optional<QRectF> underscore = line.boxOf(line.text.indexOf(QLatin1Char('_')), 1);
    ASSERT_TRUE(underscore);
    EXPECT_GT(underscore->left(), run.from);
    EXPECT_LT(underscore->right(), run.to);
}

TEST(WordRecheckTest, ASureLineIsNotReadAgainAndALessSureReadingChangesNothing) {
    const TextLine sure = readLine({{"Salvar", 96}, {"alterações", 91}});
    EXPECT_TRUE(WordRecheck::stripOf(lineImage(200), sure).image.isNull());

    TextLine line = readLine({{"ana.souza@exemplo.com", 40}});
    const TextLine before = line;
    const WordRecheck::Strip strip = WordRecheck::stripOf(lineImage(300), line);
    ASSERT_EQ(strip.cuts.size(), 1);
    WordRecheck::merge(line, strip, {readLine({{"ana.souza", 30}}, strip.cuts[0].at + 7)});
    WordRecheck::merge(line, strip, {});
    EXPECT_EQ(line.text, before.text);
    EXPECT_EQ(line.glyphs.size(), before.glyphs.size());
}
