#include "history/HistoryText.h"

#include <gtest/gtest.h>

namespace {

std::optional<QString> snippetOf(const QString &text, const QString &query) {
    return HistoryText::snippet(text.toUtf8(), HistoryText::queryKey(query));
}

} // namespace

TEST(HistoryTextTest, SnippetIsTheFirstMatchingLineAsWrittenCutAt91Clusters) {
    EXPECT_EQ(snippetOf(QStringLiteral("Início\nConfigurações da Conta\nConfigurações"),
                        QStringLiteral("  CONFIGURACOES \n")),
              QStringLiteral("Configurações da Conta"));
    EXPECT_EQ(snippetOf(QStringLiteral("Rua da Straße 12"), QStringLiteral("STRASSE")),
              QStringLiteral("Rua da Straße 12"));

    const QString a89(89, QLatin1Char('a')), a90(90, QLatin1Char('a')), a91(91, QLatin1Char('a'));
    EXPECT_EQ(snippetOf(a89, QStringLiteral("a")), a89);
    EXPECT_EQ(snippetOf(a90, QStringLiteral("a")), a90);
    EXPECT_EQ(snippetOf(a91, QStringLiteral("a")), QString(88, QLatin1Char('a')) + QChar(0x2026));
    // "é" written as e + U+0301 is one character: 90 of them stay whole, 91 are cut after 88.
    const QString e = QStringLiteral("e\u0301");
    EXPECT_EQ(snippetOf(e.repeated(90), QStringLiteral("é")), e.repeated(90));
    EXPECT_EQ(snippetOf(e.repeated(91), QStringLiteral("é")), e.repeated(88) + QChar(0x2026));
    // Leading tabs and spaces go before counting; a line of 90 behind them is whole.
    EXPECT_EQ(snippetOf(QStringLiteral("\t\t  ") + a90 + QStringLiteral(" \t"), QStringLiteral("a")), a90);
}

TEST(HistoryTextTest, TheFirstMatchMarksWholeLettersOfTheOriginal) {
    const auto marked = [](const QString &text, const QString &query) {
        const auto match = HistoryText::firstMatch(text, query);
        return match ? text.mid(match->first, match->second) : QStringLiteral("-");
    };
    EXPECT_EQ(marked(QStringLiteral("Configuração da ação"), QStringLiteral("acao")), QStringLiteral("ação"));
    EXPECT_EQ(marked(QStringLiteral("Rua Straße 12"), QStringLiteral(" strasse ")), QStringLiteral("Straße"));
    EXPECT_EQ(marked(QStringLiteral("um cafe\u0301!"), QStringLiteral("CAFÉ")), QStringLiteral("cafe\u0301"));
    EXPECT_EQ(marked(QStringLiteral("\uFB01m do \uFB01m"), QStringLiteral("fim")), QStringLiteral("\uFB01m"));
    EXPECT_EQ(marked(QStringLiteral("texto"), QStringLiteral("  ")), QStringLiteral("-"));
    EXPECT_EQ(marked(QStringLiteral("texto"), QStringLiteral("outro")), QStringLiteral("-"));
}

TEST(HistoryTextTest, LinesBreakEverywhereAndNothingMatchesAcrossABreak) {
    const QString text = QStringLiteral("\r\n\r\nConfigurações da Conta\r\nRelatório Anual\u2028fim\u0085nel\x0Bvt");
    EXPECT_EQ(snippetOf(text, QStringLiteral("relatorio")), QStringLiteral("Relatório Anual"));
    EXPECT_EQ(snippetOf(text, QStringLiteral("fim")), QStringLiteral("fim"));
    EXPECT_EQ(snippetOf(text, QStringLiteral("nel")), QStringLiteral("nel"));
    EXPECT_EQ(snippetOf(text, QStringLiteral("Conta Relatório")), std::nullopt);
    EXPECT_FALSE(HistoryText::contains(text.toUtf8(), HistoryText::queryKey(QStringLiteral("Conta Relatório"))));
    // A blank query matches everything in a search but gives no snippet.
    EXPECT_TRUE(HistoryText::queryKey(QStringLiteral(" \t\n")).isEmpty());
    EXPECT_EQ(snippetOf(text, QStringLiteral("   ")), std::nullopt);
    EXPECT_EQ(snippetOf(text, QStringLiteral("ausente")), std::nullopt);
}

TEST(HistoryTextTest, ContainsFindsAKeyAtEveryPlaceAndLength) {
    // Every key length and place, across the blocks the scan works in, agrees with a plain search.
    const QByteArray text = "configuracoes da conta e relatorio anual; configuracoes avancadas do sistema operacional!";
    for (qsizetype from = 0; from < text.size(); ++from) {
        for (qsizetype length = 1; from + length <= text.size(); length += 3) {
            const QByteArray key = text.mid(from, length);
            ASSERT_TRUE(HistoryText::contains(text, key)) << key.constData();
            QByteArray missing = key;
            missing[missing.size() - 1] = '#';
            ASSERT_EQ(HistoryText::contains(text, missing), text.contains(missing)) << missing.constData();
        }
    }
}
