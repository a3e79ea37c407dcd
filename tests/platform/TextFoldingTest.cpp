#include "platform/TextFolding.h"

#include <gtest/gtest.h>

using platform::TextFolding::fold;
using platform::TextFolding::foldMapped;
using platform::TextFolding::foldUtf8;

TEST(TextFoldingTest, CaseAndAccentsFoldAwayAndLineBreaksStay) {
    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("Configurações da Conta"), QStringLiteral("configuracoes da conta")},
        {QStringLiteral("CONFIGURAÇÕES"), QStringLiteral("configuracoes")},
        {QStringLiteral("Straße"), QStringLiteral("strasse")},
        {QStringLiteral("STRASSE"), QStringLiteral("strasse")},
        {QStringLiteral("Cafe\u0301 e\u0301"), QStringLiteral("cafe e")},     // decomposed accents
        {QStringLiteral("\uFB01m"), QStringLiteral("fim")},                   // ligature
        {QStringLiteral("İstanbul Ωμέγα"), QStringLiteral("istanbul ωμεγα")}, // no locale rules
        {QStringLiteral("Conta\r\nRelatório\u2028x"), QStringLiteral("conta\r\nrelatorio\u2028x")},
        {QStringLiteral("ok 👍🏽"), QStringLiteral("ok 👍🏽")},
    };
    for (const auto &[text, folded] : cases) {
        EXPECT_EQ(fold(text), folded) << text.toStdString();
        EXPECT_EQ(fold(folded), folded) << "folding twice changes nothing: " << folded.toStdString();
        EXPECT_EQ(foldUtf8(text.toUtf8()), folded.toUtf8()) << text.toStdString();
    }
    // Malformed UTF-8 reads as U+FFFD, the same on both paths.
    const QByteArray broken("Ol\xC3 \xFF\xE1!");
    EXPECT_EQ(foldUtf8(broken), fold(QString::fromUtf8(broken)).toUtf8());
}

TEST(TextFoldingTest, EachFoldedUnitMapsToTheWholeOriginalLetter) {
    // "ß" → "ss": both units come from it; "e" + U+0301 → "e": the dropped mark belongs to the e.
    const auto mapped = foldMapped(QStringLiteral("aß e\u0301!"));
    EXPECT_EQ(mapped.text, QStringLiteral("ass e!"));
    EXPECT_EQ(mapped.starts, (QList<qsizetype>{0, 1, 1, 2, 3, 5}));
    EXPECT_EQ(mapped.ends, (QList<qsizetype>{1, 2, 2, 3, 5, 6}));
    EXPECT_EQ(mapped.originalRange(2, 2), (std::pair<qsizetype, qsizetype>(1, 3)));
    EXPECT_EQ(mapped.originalRange(5, 2), (std::pair<qsizetype, qsizetype>(0, 0)));
    EXPECT_EQ(mapped.originalRange(-1, 1), (std::pair<qsizetype, qsizetype>(0, 0)));
}
