#include "core/Localization.h"
#include "platform/StringTables.h"

#include <gtest/gtest.h>

namespace {

// Each test picks its language and puts the system's choice back afterwards.
class LocalizationTest : public ::testing::Test {
protected:
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

} // namespace

TEST_F(LocalizationTest, LooksUpByPortugueseKeyWithKeyAsFallback) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    EXPECT_EQ(L("Pôr do sol"), QStringLiteral("Pôr do sol"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(L("Pôr do sol"), QStringLiteral("Sunset"));
    EXPECT_EQ(L("Novo tutorial"), QStringLiteral("New tutorial"));
    EXPECT_EQ(L("Um texto sem tradução"), QStringLiteral("Um texto sem tradução"));
    // Without values nothing is formatted: a lone percent sign stays.
    EXPECT_EQ(L("100% pronto"), QStringLiteral("100% pronto"));
}

TEST_F(LocalizationTest, BuildsKeysPieceByPiece) {
    const LKey solid = LKey().value(QStringLiteral("Acme")).text(u" · Sólido");
    EXPECT_EQ(solid.key, QStringLiteral("%@ · Sólido"));
    EXPECT_EQ(solid.arguments, QStringList{QStringLiteral("Acme")});

    const LKey percent = LKey().value(85).text(u"%");
    EXPECT_EQ(percent.key, QStringLiteral("%@%%"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    EXPECT_EQ(L(percent), QStringLiteral("85%"));
    EXPECT_EQ(L(solid), QStringLiteral("Acme · Sólido"));
    // A key with values but no translation is still formatted.
    EXPECT_EQ(L(LKey().text(u"Passo ").value(3).text(u" de ").value(7)), QStringLiteral("Passo 3 de 7"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(L(solid), QStringLiteral("Acme · Solid"));
}

TEST_F(LocalizationTest, FormatterIsSafeWithHostileOrPositionalTexts) {
    const QStringList two{QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_EQ(formatLocalized(QStringLiteral("%2$@ then %1$@"), two), QStringLiteral("b then a"));
    EXPECT_EQ(formatLocalized(QStringLiteral("%@ %@ %@"), two), QStringLiteral("a b "));
    EXPECT_EQ(formatLocalized(QStringLiteral("%9$@|%0$@"), two), QStringLiteral("|"));
    EXPECT_EQ(formatLocalized(QStringLiteral("%s %n %x %f%"), two), QStringLiteral("%s %n %x %f%"));
    EXPECT_EQ(formatLocalized(QStringLiteral("100%% de %@"), {QStringLiteral("50%@")}), QStringLiteral("100% de 50%@"));
    EXPECT_EQ(formatLocalized(QStringLiteral("%99999999999999999999$@x"), two),
              QStringLiteral("%99999999999999999999$@x"));
    // Number placeholders take their values as text, like "%@".
    EXPECT_EQ(formatLocalized(QStringLiteral("%lld × %lld"), {QStringLiteral("400"), QStringLiteral("300")}),
              QStringLiteral("400 × 300"));
    EXPECT_EQ(formatLocalized(QStringLiteral("%2$lld°/%1$d"), two), QStringLiteral("b°/a"));
}

TEST_F(LocalizationTest, VariantsHoldEveryLanguageAndAreCached) {
    const QSet<QString> nebula = L10nCache::variants(QStringLiteral("Nebulosa"));
    EXPECT_TRUE(nebula.contains(QStringLiteral("Nebulosa")));
    EXPECT_TRUE(nebula.contains(QStringLiteral("Nebula")));
    const quint64 before = platform::StringTables::lookupCount();
    EXPECT_EQ(L10nCache::variants(QStringLiteral("Nebulosa")), nebula);
    EXPECT_EQ(platform::StringTables::lookupCount(), before);
    EXPECT_EQ(L10nCache::variants(QStringLiteral("Só em português")), QSet<QString>{QStringLiteral("Só em português")});
}

TEST_F(LocalizationTest, EnglishTableCoversTheBuiltInNames) {
    ASSERT_TRUE(platform::StringTables::languages().contains(QStringLiteral("en")));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    // Names that read differently in English must really be translated, not fall back.
    for (const char *key : {"Nebulosa", "Oceano", "Pôr do sol", "Crepúsculo", "Menta", "Grafite", "Pérola", "Sem fundo",
                            "Novo tutorial"}) {
        EXPECT_NE(L(key), QString::fromUtf8(key)) << key;
    }
}
