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
        {QStringLiteral("Cafe\u0301 e\u0301"), QStringLiteral("cafe e")},  // decomposed accents
        {QStringLiteral("\uFB01m"), QStringLiteral("fim")},                  // ligature
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

TEST(TextFoldingTest, AMatchInTheFoldedTextMarksWholeOriginalLetters) {
    const auto originalOf = [](const QString &text, const QString &query) {
        const auto mapped = foldMapped(text);
        const auto [from, to] = mapped.originalRange(mapped.text.indexOf(fold(query)), fold(query).size());
        return text.mid(from, to - from);
    };
    EXPECT_EQ(originalOf(QStringLiteral("Configuração da ação"), QStringLiteral("acao")), QStringLiteral("ação"));
    EXPECT_EQ(originalOf(QStringLiteral("Rua Straße 12"), QStringLiteral("strasse")), QStringLiteral("Straße"));
    EXPECT_EQ(originalOf(QStringLiteral("Straße"), QStringLiteral("as")), QStringLiteral("aß")); // half of "ss"
    EXPECT_EQ(originalOf(QStringLiteral("um cafe\u0301!"), QStringLiteral("cafe")), QStringLiteral("cafe\u0301"));
    EXPECT_EQ(originalOf(QStringLiteral("\uFB01m"), QStringLiteral("i")), QStringLiteral("\uFB01"));

    const auto mapped = foldMapped(QStringLiteral("abc"));
    EXPECT_EQ(mapped.originalRange(2, 2), (std::pair<qsizetype, qsizetype>(0, 0)));
    EXPECT_EQ(mapped.originalRange(-1, 1), (std::pair<qsizetype, qsizetype>(0, 0)));
}
