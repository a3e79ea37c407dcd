#include "core/Annotation.h"
#include "platform/StringTables.h"

#include <gtest/gtest.h>

namespace {

class AnnotationTest : public ::testing::Test {
protected:
    void SetUp() override { platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR")); }
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

} // namespace

TEST_F(AnnotationTest, PaletteNamesFallBackToBlack) {
    ASSERT_EQ(Annotation::palette.size(), 7u);
    EXPECT_EQ(Annotation::palette.front().color, 0xFF5A5Fu);
    EXPECT_EQ(Annotation::paletteName(0xFFC93C), QStringLiteral("Amarelo"));
    EXPECT_EQ(Annotation::paletteName(0xB79CFF), QStringLiteral("Lilás"));
    for (quint32 other : {0x15121Fu, 0x000000u, 0x123456u})
        EXPECT_EQ(Annotation::paletteName(other), QStringLiteral("Preto"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(Annotation::paletteName(0x4DA3FF), QStringLiteral("Blue"));
}

TEST_F(AnnotationTest, EqualityIncludesTheLabelText) {
    Annotation a;
    a.kind = Annotation::Kind::label(QStringLiteral("Olá"));
    Annotation b = a;
    EXPECT_EQ(a, b);
    b.kind = Annotation::Kind::label(QStringLiteral("Oi"));
    EXPECT_NE(a, b);

    Annotation blur;
    blur.kind = Annotation::Kind::blur;
    blur.start = {1, 2};
    blur.end = {30, 40};
    Annotation same = blur;
    EXPECT_EQ(blur, same);
    same.color = 0x4DA3FF;
    EXPECT_NE(blur, same);
}

TEST_F(AnnotationTest, BoxesSpanEitherWayRound) {
    Annotation forward, backward;
    forward.start = {10, 20};
    forward.end = {110, 70};
    backward.start = {110, 70};
    backward.end = {10, 20};
    EXPECT_EQ(forward.box(), QRectF(10, 20, 100, 50));
    EXPECT_EQ(backward.box(), forward.box());
}

TEST_F(AnnotationTest, ThicknessRawValuesAndStrokeWidths) {
    EXPECT_FALSE(Annotation::thickness(0));
    EXPECT_FALSE(Annotation::thickness(4));
    EXPECT_EQ(Annotation::thickness(3), Annotation::Thickness::thick);
    using T = Annotation::Thickness;
    struct Case {
        QSize size;
        double thin, medium, thick;
    };
    for (const Case &c :
         {Case{{1920, 1080}, 4.2, 6, 9.6}, Case{{640, 480}, 2.1, 3, 4.8}, Case{{6000, 4000}, 7, 10, 16}}) {
        EXPECT_NEAR(Annotation::strokeWidth(c.size, T::thin), c.thin, 1e-9);
        EXPECT_NEAR(Annotation::strokeWidth(c.size, T::medium), c.medium, 1e-9);
        EXPECT_NEAR(Annotation::strokeWidth(c.size, T::thick), c.thick, 1e-9);
    }
}
