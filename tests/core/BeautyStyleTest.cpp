#include "core/BeautyStyle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

namespace {

QJsonObject parseObject(const char *json) { return QJsonDocument::fromJson(QByteArray(json)).object(); }

} // namespace

TEST(BeautyStyleTest, StyleDecodingTakesDefaultsPerKeyAndReadsTheOlderForm) {
    const BeautyStyle defaults;
    EXPECT_EQ(BeautyStyle::fromJson(QJsonObject{}), defaults);
    EXPECT_EQ(defaults.backdrop.id, QStringLiteral("aurora"));

    const auto ocean = BeautyStyle::fromJson(parseObject(R"({"backdropID":"ocean"})"));
    ASSERT_TRUE(ocean);
    EXPECT_EQ(ocean->backdrop, Backdrop::builtIn(QStringLiteral("ocean")));
    EXPECT_EQ(ocean->padding, 64);
    EXPECT_TRUE(ocean->roundedCorners && ocean->shadow && ocean->autoBalance);
    EXPECT_EQ(ocean->aspect, AspectRatio::auto_);

    EXPECT_EQ(BeautyStyle::fromJson(parseObject(R"({"backdropID":"brand-mesh"})"))->backdrop.id,
              QStringLiteral("aurora"));
    // A real backdrop wins over the older key; null means absent.
    QJsonObject both{{QStringLiteral("backdrop"), Backdrop::builtIn(QStringLiteral("mint")).toJson()},
                     {QStringLiteral("backdropID"), QStringLiteral("ocean")}};
    EXPECT_EQ(BeautyStyle::fromJson(both)->backdrop.id, QStringLiteral("mint"));
    const auto nulls = BeautyStyle::fromJson(
        parseObject(R"({"backdrop":null,"backdropID":"pearl","padding":null,"shadow":null,"aspect":null})"));
    ASSERT_TRUE(nulls);
    EXPECT_EQ(nulls->backdrop.id, QStringLiteral("pearl"));
    EXPECT_EQ(nulls->padding, 64);

    const auto partial = BeautyStyle::fromJson(parseObject(R"({"padding":10,"shadow":false,"aspect":"classic"})"));
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->padding, 10);
    EXPECT_FALSE(partial->shadow);
    EXPECT_TRUE(partial->roundedCorners);
    EXPECT_EQ(partial->aspect, AspectRatio::classic);

    EXPECT_EQ(BeautyStyle::fromJson(parseObject(R"({"padding":-20})"))->padding, 0);

    for (const char *bad :
         {R"({"padding":"wide"})", R"({"shadow":1})", R"({"roundedCorners":"true"})", R"({"aspect":"portrait"})",
          R"({"aspect":1})", R"({"backdropID":7})", R"({"backdrop":{"id":"x"}})", R"({"backdrop":"ocean"})"}) {
        EXPECT_FALSE(BeautyStyle::fromJson(parseObject(bad))) << bad;
    }
    EXPECT_FALSE(
        BeautyStyle::fromJson(QJsonObject{{QStringLiteral("padding"), std::numeric_limits<double>::infinity()}}));
    EXPECT_FALSE(BeautyStyle::fromJson(QJsonArray{}));
}

TEST(BeautyStyleTest, JsonFormRoundTripsWithAllSixKeys) {
    BeautyStyle style;
    style.backdrop = Backdrop::builtIn(QStringLiteral("dusk"));
    style.padding = 12.5;
    style.shadow = false;
    style.aspect = AspectRatio::square;
    EXPECT_EQ(BeautyStyle::fromJson(style.toJson()), style);
    EXPECT_EQ(style.toJson().keys(),
              (QStringList{QStringLiteral("aspect"), QStringLiteral("autoBalance"), QStringLiteral("backdrop"),
                           QStringLiteral("padding"), QStringLiteral("roundedCorners"), QStringLiteral("shadow")}));
}
