#include "pagetext/LineRepair.h"

#include <gtest/gtest.h>

using platform::TextLine;

namespace {

// A line whose glyphs are 8 pixels wide with the gaps given before each one (spaces have none).
TextLine line(const QString &text, const QList<qreal> &gaps = {}) {
    TextLine l{text, {}, {}};
    qreal x = 0;
    int g = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' ')) {
            x += 6;
            continue;
        }
        x += g < gaps.size() ? gaps[g] : 1;
        ++g;
        l.glyphs.append({i, 1, QRectF(x, 0, 8, 12)});
        x += 8;
    }
    l.box = QRectF(0, 0, x, 12);
    return l;
}

TextLayout::Underscore stroke(const QRect &box, bool joined = false) { return {box, joined}; }

} // namespace

TEST(LineRepairTest, AnUnderscoreTheEngineReadAsASpaceOrAsNothingComesBack) {
    // "pk test": the stroke lies in the space after "k" (glyphs end at 18, the next starts at 25).
    TextLine spaced = line(QStringLiteral("pk test"));
    LineRepair::restoreUnderscores(spaced, {stroke(QRect(19, 11, 6, 1))});
    EXPECT_EQ(spaced.text, QStringLiteral("pk_test"));
    ASSERT_EQ(spaced.glyphs.size(), 7);
    EXPECT_EQ(spaced.glyphs[2].start, 2);
    EXPECT_EQ(spaced.glyphs[3].start, 3);
    EXPECT_EQ(spaced.boxOf(2, 1), QRectF(19, 11, 6, 1)); // the finder's rectangles cover it

    // Read with nothing between the glyphs: put between the two around the stroke.
    TextLine joined = line(QStringLiteral("ghp16"), {1, 1, 1, 9, 1});
    LineRepair::restoreUnderscores(joined, {stroke(QRect(28, 11, 6, 1))});
    EXPECT_EQ(joined.text, QStringLiteral("ghp_16"));

    // Inside a letter read with nothing beside it: that letter's foot, as of an "L" touching an "m".
    TextLine foot = line(QStringLiteral("2Lm"));
    LineRepair::restoreUnderscores(foot, {stroke(QRect(13, 11, 5, 1), true)});
    EXPECT_EQ(foot.text, QStringLiteral("2Lm"));

    // Already read, or nowhere near a gap: left alone.
    TextLine read = line(QStringLiteral("a_b"));
    LineRepair::restoreUnderscores(read, {stroke(QRect(10, 11, 6, 1))});
    EXPECT_EQ(read.text, QStringLiteral("a_b"));
}

// A stroke that may be a letter's foot is an underscore only where the engine read no letter over it:
// a period and a space read there ("relatorio. julho") are its ink.
TEST(LineRepairTest, AStrokeThatMayBeAFootIsAnUnderscoreOnlyWhereNoLetterWasReadOverIt) {
    const auto unsure = [](const QRect &box) { return TextLayout::Underscore{box, false, false}; };
    TextLine name = line(QStringLiteral("o. j"));
    LineRepair::restoreUnderscores(name, {unsure(QRect(10, 11, 12, 1))});
    EXPECT_EQ(name.text, QStringLiteral("o_j"));
    ASSERT_EQ(name.glyphs.size(), 3);
    EXPECT_EQ(name.glyphs[2].start, 2);

    TextLine foot = line(QStringLiteral("CAL L"));
    LineRepair::restoreUnderscores(foot, {unsure(QRect(21, 11, 6, 1)), unsure(QRect(37, 11, 6, 1))});
    EXPECT_EQ(foot.text, QStringLiteral("CAL L"));
}

// A stroke whose ink runs into the letters on both sides has nothing beside it: the space read before
// it and a period read into its end go. A stroke with a gap either side keeps what was read around it.
TEST(LineRepairTest, NothingIsReadBetweenAnUnderscoreAndTheLettersItTouches) {
    TextLine key = line(QStringLiteral("live _51"));
    LineRepair::restoreUnderscores(key, {stroke(QRect(43, 11, 8, 1), true)});
    EXPECT_EQ(key.text, QStringLiteral("live_51"));
    EXPECT_EQ(key.boxOf(5, 2)->left(), 52); // the glyphs after it moved with the text

    TextLine name = line(QStringLiteral("o._j"));
    LineRepair::restoreUnderscores(name, {stroke(QRect(12, 11, 15, 1), true)});
    EXPECT_EQ(name.text, QStringLiteral("o_j"));
    ASSERT_EQ(name.glyphs.size(), 3);
    EXPECT_EQ(name.glyphs[2].start, 2);

    for (const QString &text : {QStringLiteral("live _51"), QStringLiteral("o._j")}) {
        TextLine apart = line(text);
        LineRepair::restoreUnderscores(apart, {stroke(QRect(text.size() == 8 ? 43 : 19, 11, 8, 1))});
        EXPECT_EQ(apart.text, text);
    }
}

// The engine puts a space beside an underscore it reads at the end of a word: where the glyphs lie as
// close as the letters of a word, it goes; a space as wide as the others between words stays.
TEST(LineRepairTest, ASpaceReadBesideAnUnderscoreGoesWhereTheGlyphsTouch) {
    TextLine key = line(QStringLiteral("live _51 ok"), {1, 1, 1, 1, -5, 1, 1, 1, 1});
    LineRepair::joinUnderscores(key);
    EXPECT_EQ(key.text, QStringLiteral("live_51 ok"));
    EXPECT_EQ(key.boxOf(4, 3), QRectF(37, 0, 26, 12));

    TextLine apart = line(QStringLiteral("nome _ valor"));
    LineRepair::joinUnderscores(apart);
    EXPECT_EQ(apart.text, QStringLiteral("nome _ valor"));
}

// A size and its unit read as one word ("4KB") part where the ink shows a word space; a key that mixes
// digits and letters at a letter's distance stays whole.
TEST(LineRepairTest, ANumberAndTheWordAfterItPartWhereTheirInkLiesAWordSpaceApart) {
    TextLine size = line(QStringLiteral("4KB"), {1, 5, 1});
    LineRepair::splitUnits(size);
    EXPECT_EQ(size.text, QStringLiteral("4 KB"));
    EXPECT_EQ(size.boxOf(2, 2)->left(), size.glyphs[1].box.left());
    TextLine amount = line(QStringLiteral("1,1GB"), {1, 1, 1, 5, 1});
    LineRepair::splitUnits(amount);
    EXPECT_EQ(amount.text, QStringLiteral("1,1 GB"));

    TextLine key = line(QStringLiteral("H8i9J0kLmN"), {1, 1, 2, 1, 2, 1, 1, 1, 1, 2});
    LineRepair::splitUnits(key);
    EXPECT_EQ(key.text, QStringLiteral("H8i9J0kLmN"));
}

TEST(LineRepairTest, DigitGroupsSetApartAreSplitOnlyWhereTheGapIsClearlyWider) {
    TextLine card = line(QStringLiteral("41111111"), {1, 2, 2, 2, 6, 2, 2, 2});
    LineRepair::splitDigitGroups(card);
    EXPECT_EQ(card.text, QStringLiteral("4111 1111"));
    EXPECT_EQ(card.boxOf(5, 4)->left(), card.glyphs[4].box.left());

    // Uneven but unremarkable gaps, and runs shorter than five digits, stay as read.
    TextLine amount = line(QStringLiteral("1250,00 2024"), {1, 3, 1, 2, 1, 1, 1, 3, 4, 3});
    LineRepair::splitDigitGroups(amount);
    EXPECT_EQ(amount.text, QStringLiteral("1250,00 2024"));
    TextLine number = line(QStringLiteral("98765"), {1, 1, 3, 1, 2});
    LineRepair::splitDigitGroups(number);
    EXPECT_EQ(number.text, QStringLiteral("98765"));
}
