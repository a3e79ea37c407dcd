#include "core/Backdrop.h"
#include "core/ColorValue.h"
#include "platform/StringTables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <limits>

using Kind = Backdrop::Kind;

namespace {

Backdrop backdropWith(Kind kind, QList<quint32> colors, QList<MeshPoint> points = {}) {
    Backdrop b;
    b.id = QStringLiteral("mine");
    b.name = QStringLiteral("Meu fundo");
    b.kind = kind;
    b.colors = std::move(colors);
    b.points = std::move(points);
    return b;
}

QJsonObject oceanJson() { return Backdrop::builtIn(QStringLiteral("ocean")).toJson(); }

class BackdropTest : public ::testing::Test {
protected:
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

} // namespace

TEST_F(BackdropTest, BuiltInsEndWithTheTransparentBackdropAndUnknownIdsGiveAurora) {
    const QList<Backdrop> &all = Backdrop::defaults();
    ASSERT_EQ(all.size(), 9);
    EXPECT_EQ(all.first().id, QStringLiteral("aurora"));
    EXPECT_EQ(all.last(), Backdrop::transparent());
    EXPECT_EQ(Backdrop::transparent().id, QStringLiteral("none"));
    EXPECT_TRUE(Backdrop::transparent().colors.isEmpty());
    EXPECT_EQ(Backdrop::builtIn(QStringLiteral("none")), Backdrop::transparent());
    EXPECT_EQ(Backdrop::builtIn(QStringLiteral("dusk")).points.size(), 3);
    for (const char *other : {"brand-solid", "", "Aurora", "ocean "})
        EXPECT_EQ(Backdrop::builtIn(QString::fromLatin1(other)).id, QStringLiteral("aurora")) << other;
}

TEST_F(BackdropTest, SetKindBringsColorsAndPointsWithinTheKindsBounds) {
    Backdrop b = backdropWith(Kind::solid, {0x26262E});
    b.setKind(Kind::mesh);
    // A muted dark colour is lifted to saturation 0.35 and brightness 0.6, hue turned by -0.12,
    // then by +0.12 for the next step.
    EXPECT_EQ(b.colors, (QList<quint32>{0x26262E, 0x638A99, 0x7474B3}));
    EXPECT_EQ(b.points, (QList<MeshPoint>{{0.15, 0.15}, {0.88, 0.22}, {0.45, 0.9}}));

    Backdrop mesh =
        backdropWith(Kind::mesh, {1, 2, 3, 4, 5}, {{0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3}, {0.4, 0.4}, {0.5, 0.5}});
    const QList<MeshPoint> points = mesh.points;
    mesh.setKind(Kind::solid);
    EXPECT_EQ(mesh.colors, QList<quint32>{1});
    EXPECT_EQ(mesh.points, points);

    mesh.setKind(Kind::transparent);
    EXPECT_TRUE(mesh.colors.isEmpty());
    mesh.setKind(Kind::linear);
    EXPECT_EQ(mesh.colors, (QList<quint32>{0x6E5BD8, 0x66B5F2}));

    Backdrop linear = backdropWith(Kind::linear, {1, 2, 3, 4});
    linear.setKind(Kind::mesh);
    EXPECT_EQ(linear.colors, (QList<quint32>{1, 2, 3, 4}));
    EXPECT_EQ(linear.points.size(), 4);
    EXPECT_EQ(linear.points.last(), (MeshPoint{0.9, 0.85}));
}

TEST_F(BackdropTest, AddAndRemoveColorKeepTheCountRules) {
    Backdrop linear = backdropWith(Kind::linear, {1, 2, 3, 4});
    linear.addColor();
    EXPECT_EQ(linear.colors.size(), 4);

    Backdrop mesh = backdropWith(Kind::mesh, {1, 2, 3, 4, 5});
    mesh.addColor();
    EXPECT_EQ(mesh.colors.size(), 5);
    EXPECT_TRUE(mesh.points.isEmpty()); // a refused add changes nothing, not even the points

    Backdrop solid = backdropWith(Kind::solid, {});
    solid.addColor();
    EXPECT_EQ(solid.colors, QList<quint32>{0xE066F2});
    solid.addColor();
    EXPECT_EQ(solid.colors.size(), 1);

    Backdrop clear = Backdrop::transparent();
    clear.addColor();
    EXPECT_EQ(clear, Backdrop::transparent());

    Backdrop three = backdropWith(Kind::mesh, {1, 2, 3}, {{0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3}});
    three.addColor();
    EXPECT_EQ(three.colors.size(), 4);
    EXPECT_EQ(three.points.last(), (MeshPoint{0.9, 0.85}));

    Backdrop two = backdropWith(Kind::linear, {1, 2});
    two.removeColor(0);
    EXPECT_EQ(two.colors.size(), 2);
    Backdrop withThree = backdropWith(Kind::linear, {1, 2, 3});
    withThree.removeColor(3);
    withThree.removeColor(-1);
    EXPECT_EQ(withThree.colors.size(), 3);
    withThree.removeColor(1);
    EXPECT_EQ(withThree.colors, (QList<quint32>{1, 3}));

    Backdrop four = backdropWith(Kind::mesh, {1, 2, 3, 4}, {{0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3}, {0.4, 0.4}});
    four.removeColor(0);
    EXPECT_EQ(four.colors, (QList<quint32>{2, 3, 4}));
    EXPECT_EQ(four.points, (QList<MeshPoint>{{0.2, 0.2}, {0.3, 0.3}, {0.4, 0.4}}));
}

TEST_F(BackdropTest, RandomizeKeepsCountsAndStaysWithinItsRanges) {
    QRandomGenerator random(42);
    for (int round = 0; round < 200; ++round) {
        for (const Kind kind : Backdrop::allKinds) {
            const qsizetype count = round % 7; // also counts the rules would not allow
            QList<quint32> colors(count, 0x123456);
            QList<MeshPoint> points(round % 3, MeshPoint{2, 2});
            Backdrop b = backdropWith(kind, colors, points);
            b.randomize(random);
            const qsizetype expected = std::max<qsizetype>(count, Backdrop::minimumColors(kind));
            ASSERT_EQ(b.colors.size(), expected);
            for (qsizetype i = 0; i < b.colors.size(); ++i) {
                const Hsb hsb = hsbFromHex(b.colors[i]);
                // Rounding to whole bytes moves the components a little.
                EXPECT_GE(hsb.saturation, 0.43);
                EXPECT_LE(hsb.saturation, 0.77);
                if (i == b.colors.size() - 1) {
                    EXPECT_GE(hsb.brightness, 0.345);
                    EXPECT_LE(hsb.brightness, 0.605);
                } else {
                    EXPECT_GE(hsb.brightness, 0.695);
                    EXPECT_LE(hsb.brightness, 0.955);
                }
            }
            if (kind == Kind::linear) {
                EXPECT_TRUE(QList<double>({45, 90, 135, 160, 180, 225}).contains(b.angle)) << b.angle;
            } else {
                EXPECT_EQ(b.angle, 135);
            }
            if (kind == Kind::mesh) {
                ASSERT_EQ(b.points.size(), b.colors.size());
                // Points that existed were redrawn; ones added by the sync come from the table.
                for (qsizetype i = 0; i < std::min<qsizetype>(points.size(), b.points.size()); ++i) {
                    EXPECT_GE(b.points[i].x, 0.05);
                    EXPECT_LE(b.points[i].x, 0.95);
                    EXPECT_GE(b.points[i].y, 0.05);
                    EXPECT_LE(b.points[i].y, 0.95);
                }
            } else {
                EXPECT_EQ(b.points, points);
            }
        }
    }
}

TEST_F(BackdropTest, DisplayNamesFollowTheLanguageUntilTheUserRenames) {
    Backdrop ocean = Backdrop::builtIn(QStringLiteral("ocean"));
    ocean.name = QStringLiteral("Ocean"); // stored while the application spoke English

    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    EXPECT_EQ(ocean.displayName(), QStringLiteral("Oceano"));
    ocean.name = QStringLiteral("Oceano");
    EXPECT_EQ(ocean.displayName(), QStringLiteral("Oceano"));

    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(ocean.displayName(), QStringLiteral("Ocean"));
    Backdrop none = Backdrop::transparent();
    none.name = QStringLiteral("Sem fundo");
    EXPECT_EQ(none.displayName(), QStringLiteral("No backdrop"));

    // A name of the user's shows as it stands, also on a built-in identifier, in every language.
    ocean.name = QStringLiteral("Meu mar");
    EXPECT_EQ(ocean.displayName(), QStringLiteral("Meu mar"));
    Backdrop aurora = Backdrop::builtIn(QStringLiteral("aurora"));
    aurora.name = QStringLiteral("Nebula"); // another built-in's name is still the user's choice
    EXPECT_EQ(aurora.displayName(), QStringLiteral("Nebula"));
    Backdrop brand = backdropWith(Kind::solid, {1});
    brand.name = QStringLiteral("Oceano"); // not a built-in identifier
    EXPECT_EQ(brand.displayName(), QStringLiteral("Oceano"));
}

TEST_F(BackdropTest, JsonFormIsExact) {
    const Backdrop aurora = Backdrop::builtIn(QStringLiteral("aurora"));
    const QJsonObject json = aurora.toJson();
    EXPECT_EQ(json.value(QStringLiteral("kind")).toString(), QStringLiteral("linear"));
    EXPECT_EQ(json.value(QStringLiteral("colors")).toArray().first().toInteger(), 7232472);
    EXPECT_TRUE(QJsonDocument(json).toJson(QJsonDocument::Compact).contains("[7232472,12098536,15911352]"));
}

TEST_F(BackdropTest, BackdropColorsMustBeWholeUnsignedThirtyTwoBitNumbers) {
    const auto withColors = [](QJsonArray colors) {
        QJsonObject json = oceanJson();
        json.insert(QStringLiteral("colors"), colors);
        return Backdrop::fromJson(json);
    };
    const auto wide = withColors({4294967295.0, 0x1000000, 0});
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->colors, (QList<quint32>{0xFFFFFFFFu, 0x1000000u, 0u}));
    EXPECT_FALSE(withColors({4294967296.0}));
    EXPECT_FALSE(withColors({-1}));
    EXPECT_FALSE(withColors({1.5}));
    EXPECT_FALSE(withColors({QStringLiteral("#6E5BD8")}));
    EXPECT_FALSE(withColors({std::numeric_limits<double>::infinity()}));
    EXPECT_FALSE(withColors({QJsonValue::Null}));

    for (const char *key : {"id", "name", "kind", "colors", "angle", "points"}) {
        QJsonObject json = oceanJson();
        json.remove(QString::fromLatin1(key));
        EXPECT_FALSE(Backdrop::fromJson(json)) << key;
    }
    QJsonObject badKind = oceanJson();
    badKind.insert(QStringLiteral("kind"), QStringLiteral("radial"));
    EXPECT_FALSE(Backdrop::fromJson(badKind));
    QJsonObject nanAngle = oceanJson();
    nanAngle.insert(QStringLiteral("angle"), std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(Backdrop::fromJson(nanAngle));
    QJsonObject badPoint = oceanJson();
    badPoint.insert(QStringLiteral("points"), QJsonArray{QJsonObject{{QStringLiteral("x"), 0.5}}});
    EXPECT_FALSE(Backdrop::fromJson(badPoint));
    // Colours and points are kept as stored, whatever the kind can show, and every one is checked.
    QJsonObject many = oceanJson();
    many.insert(QStringLiteral("kind"), QStringLiteral("solid"));
    many.insert(QStringLiteral("colors"), QJsonArray{1, 2, 3, 4, 5, 6});
    EXPECT_EQ(Backdrop::fromJson(many)->colors, (QList<quint32>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Backdrop(*Backdrop::fromJson(many)).toJson(), many) << "written back as read";
    many.insert(QStringLiteral("colors"), QJsonArray{1, 2, 3, 4, 5, -6});
    EXPECT_FALSE(Backdrop::fromJson(many)) << "a bad colour past what the kind shows";
    // A list too long to come from the application is unreadable rather than cut.
    QJsonObject huge = oceanJson();
    huge.insert(QStringLiteral("kind"), QStringLiteral("mesh"));
    QJsonArray hugeColors, hugePoints;
    for (int i = 0; i < 100000; ++i) {
        hugeColors.append(i);
        hugePoints.append(MeshPoint{0.5, 0.5}.toJson());
    }
    huge.insert(QStringLiteral("colors"), hugeColors);
    EXPECT_FALSE(Backdrop::fromJson(huge));
    huge.insert(QStringLiteral("colors"), QJsonArray{1, 2});
    huge.insert(QStringLiteral("points"), hugePoints);
    EXPECT_FALSE(Backdrop::fromJson(huge));
}
