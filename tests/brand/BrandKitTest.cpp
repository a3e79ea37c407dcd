#include "brand/BrandKit.h"
#include "brand/BrandStore.h"
#include "core/Localization.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

std::optional<BrandKit> decode(const char *json) {
    return BrandKit::fromJson(QJsonDocument::fromJson(QByteArray(json)).object());
}

} // namespace

TEST(BrandKitTest, DecodingKeepsWhatIsReadableFieldByField) {
    BrandKit named;
    named.name = QStringLiteral("Acme");
    EXPECT_EQ(decode(R"({"name":"Acme","unknown":[1,2]})"), named);

    // A colour written as text fails the whole document; the store then uses the default kit.
    EXPECT_FALSE(decode(R"({"name":"Acme","primary":"#6E5BD8"})"));
    EXPECT_FALSE(decode(R"({"primary":1.5})"));
    EXPECT_FALSE(decode(R"({"primary":-1})"));
    EXPECT_FALSE(decode(R"({"logoOnScreenshots":"yes"})"));
    EXPECT_FALSE(decode(R"({"fontFamily":7})"));

    // An unknown placement keeps its default and nothing else is lost.
    const auto placed = decode(R"({"name":"Acme","logoPosition":"middle","logoVariant":"white","logoSize":3,)"
                               R"("logoOnScreenshots":true,"fontFamily":null})");
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->logoPosition, LogoPosition::bottomRight);
    EXPECT_EQ(placed->logoVariant, LogoVariant::white);
    EXPECT_EQ(placed->logoSize, LogoSize::medium);
    EXPECT_TRUE(placed->logoOnScreenshots);
    EXPECT_EQ(placed->name, QStringLiteral("Acme"));

    // Colours are kept to 24 bits; unreadable custom backdrops mean the generated ones.
    const auto masked = decode(R"({"text":4294967295,"customBackdrops":[{"id":"brand-solid"}]})");
    ASSERT_TRUE(masked);
    EXPECT_EQ(masked->text, 0xFFFFFFu);
    EXPECT_FALSE(masked->customBackdrops);
}

TEST(BrandKitTest, EncodingRoundTripsAndLeavesOutWhatIsAbsent) {
    BrandKit kit;
    const QJsonObject plain = kit.toJson();
    EXPECT_FALSE(plain.contains(QStringLiteral("fontFamily")));
    EXPECT_FALSE(plain.contains(QStringLiteral("customBackdrops")));
    EXPECT_EQ(plain.value(QStringLiteral("primary")).toInteger(), 7232472);
    EXPECT_EQ(BrandKit::fromJson(plain), kit);

    kit.fontFamily = QStringLiteral("Inter");
    kit.logoVariant = LogoVariant::auto_;
    kit.customBackdrops = BrandStore::generatedBackdrops(kit);
    EXPECT_EQ(BrandKit::fromJson(kit.toJson()), kit);
    kit.customBackdrops = QList<Backdrop>{};
    EXPECT_EQ(BrandKit::fromJson(kit.toJson()), kit); // an empty list is not the same as none
}

TEST(BrandKitTest, LabelTrimsSpacesAndTabsOnly) {
    BrandKit kit;
    kit.name = QStringLiteral("  \t");
    EXPECT_EQ(kit.label(), L("Marca"));
    kit.name = QStringLiteral(" Acme\t");
    EXPECT_EQ(kit.label(), QStringLiteral("Acme"));
    kit.name = QStringLiteral("\nAcme");
    EXPECT_EQ(kit.label(), QStringLiteral("\nAcme"));
}
