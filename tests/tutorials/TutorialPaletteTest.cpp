#include "tutorials/TutorialPalette.h"

#include <gtest/gtest.h>

TEST(TutorialPaletteTest, MixWeighsTheFirstColorAndRoundsHalvesUp) {
    EXPECT_EQ(mix(0x000000, 0x010101, 0.5), 0x010101u);
    EXPECT_EQ(mix(0x102030, 0xF0E0D0, 0.5), 0x808080u);
    EXPECT_EQ(mix(0xFF0000, 0x000000, 0.72), 0xB80000u); // 183.6
    EXPECT_EQ(mix(0x123456, 0xABCDEF, 1), 0x123456u);
}

TEST(TutorialPaletteTest, BrandPaletteFollowsTheBrandColors) {
    BrandSnapshot brand;
    brand.background = 0x101828;
    brand.text = 0xF2F4F7;
    brand.primary = 0xB7A6FF; // light accent: dark digits
    brand.fontFamily = QStringLiteral("DejaVu Sans");
    TutorialPalette palette = TutorialPalette::of(TutorialTheme::brand, &brand);
    EXPECT_EQ(palette.background, QColor(0x10, 0x18, 0x28));
    EXPECT_EQ(palette.accent, QColor(0xB7, 0xA6, 0xFF));
    EXPECT_EQ(palette.badgeText, QColor(0x15, 0x12, 0x1F));
    EXPECT_EQ(palette.border, QColor::fromRgbF(1, 1, 1, 0.10f));
    EXPECT_EQ(palette.fontFamily, QStringLiteral("DejaVu Sans"));

    // A primary as light as the background gives way to the text colour; white digits on a dark accent.
    brand.background = 0xFFFFFF;
    brand.text = 0x1D2939;
    brand.primary = 0xF5F5F5;
    palette = TutorialPalette::of(TutorialTheme::brand, &brand);
    EXPECT_EQ(palette.accent, QColor(0x1D, 0x29, 0x39));
    EXPECT_EQ(palette.badgeText, QColor(Qt::white));
    EXPECT_EQ(palette.border, QColor::fromRgbF(0, 0, 0, 0.08f));

    // Without a brand, and for the other themes, the brand plays no part.
    EXPECT_EQ(TutorialPalette::of(TutorialTheme::brand).background,
              TutorialPalette::of(TutorialTheme::light).background);
    EXPECT_EQ(TutorialPalette::of(TutorialTheme::dark, &brand).background, QColor(0x0E, 0x0E, 0x13));
}
