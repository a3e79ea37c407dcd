#include "brand/art/BrandLogo.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(BrandLogoTest, PlacementValuesAndEquality) {
    int top = 0;
    for (LogoPosition p : LogoPositions::all) {
        top += LogoPositions::isTop(p);
        EXPECT_EQ(LogoPositions::fromRawValue(LogoPositions::rawValue(p)), p);
    }
    EXPECT_EQ(top, 3);
    EXPECT_FALSE(LogoPositions::isTop(LogoPosition::bottomCenter));
    EXPECT_EQ(LogoVariants::rawValue(LogoVariant::auto_), QStringLiteral("auto"));
    EXPECT_EQ(LogoVariants::fromRawValue(u"gray"), LogoVariant::gray);
    EXPECT_FALSE(LogoVariants::fromRawValue(u"grey"));
    EXPECT_EQ(LogoSizes::fromRawValue(u"large"), LogoSize::large);

    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const BrandLogo a{image, LogoVariant::auto_, LogoPosition::topLeft, LogoSize::small};
    BrandLogo b = a;
    EXPECT_EQ(a, b);
    b.image = image.copy(); // equal pixels, another image
    EXPECT_NE(a, b);
}
