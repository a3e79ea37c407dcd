#include "core/StylePreset.h"
#include "platform/StringTables.h"

#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

class StylePresetTest : public ::testing::Test {
protected:
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

} // namespace

TEST_F(StylePresetTest, FactoryNamesFollowTheLanguageUntilTheUserRenames) {
    StylePreset social{QUuid::createUuid(), QStringLiteral("Social"), BeautyStyle{}};
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    EXPECT_EQ(social.displayName(), QStringLiteral("Social"));
    social.name = QStringLiteral("Social 2");
    EXPECT_EQ(social.displayName(), QStringLiteral("Social 2"));
}

TEST_F(StylePresetTest, JsonFormAndIdentifiers) {
    BeautyStyle style;
    style.backdrop = Backdrop::builtIn(QStringLiteral("dusk"));
    const StylePreset preset{QUuid(QStringLiteral("{6f1c2b9e-0a4d-4c1e-9b7a-3e2f1d0c9b8a}")), QStringLiteral("Mine"),
                             style};
    const QJsonObject presetJson = preset.toJson();
    EXPECT_EQ(presetJson.value(QStringLiteral("id")).toString(),
              QStringLiteral("6F1C2B9E-0A4D-4C1E-9B7A-3E2F1D0C9B8A"));
    EXPECT_EQ(StylePreset::fromJson(presetJson), preset);

    // Lower case is the same identifier; braces, stray text and other shapes are not identifiers.
    QJsonObject lower = presetJson;
    lower.insert(QStringLiteral("id"), QStringLiteral("6f1c2b9e-0a4d-4c1e-9b7a-3e2f1d0c9b8a"));
    EXPECT_EQ(StylePreset::fromJson(lower), preset);
    for (const char *bad :
         {"{6F1C2B9E-0A4D-4C1E-9B7A-3E2F1D0C9B8A}", "6F1C2B9E0A4D4C1E9B7A3E2F1D0C9B8A",
          "6F1C2B9E-0A4D-4C1E-9B7A-3E2F1D0C9B8G", "6F1C2B9E-0A4D-4C1E-9B7A-3E2F1D0C9B8A ", "", "social"}) {
        QJsonObject broken = presetJson;
        broken.insert(QStringLiteral("id"), QString::fromLatin1(bad));
        EXPECT_FALSE(StylePreset::fromJson(broken)) << bad;
    }
    QJsonObject numericId = presetJson;
    numericId.insert(QStringLiteral("id"), 7);
    EXPECT_FALSE(StylePreset::fromJson(numericId));
    QJsonObject noStyle = presetJson;
    noStyle.remove(QStringLiteral("style"));
    EXPECT_FALSE(StylePreset::fromJson(noStyle));
}
