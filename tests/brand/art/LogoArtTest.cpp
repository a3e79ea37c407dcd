#include "brand/art/LogoArt.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage twoColors(QColor a, QColor b, int share = 50) {
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(a);
    QPainter p(&image);
    p.fillRect(0, 0, share, 100, b);
    return image;
}

} // namespace

TEST(LogoArtTest, PaletteCountsOnlySolidPixels) {
    QImage clear(40, 40, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_TRUE(LogoArt::palette(clear, 6).isEmpty());
    clear.fill(QColor(200, 30, 30, 159));
    EXPECT_TRUE(LogoArt::palette(clear, 6).isEmpty());

    QImage flat(300, 120, QImage::Format_RGB32);
    flat.fill(QColor(0x6E, 0x5B, 0xD8));
    EXPECT_EQ(LogoArt::palette(flat, 6), QList<quint32>{0x6E5BD8});
    EXPECT_TRUE(LogoArt::palette(flat, 0).isEmpty());
}

TEST(LogoArtTest, PaletteMergesNearColorsAndDropsRareOnes) {
    // Means 48 apart count as one colour, 49 apart as two; the larger share comes first.
    EXPECT_EQ(LogoArt::palette(twoColors(QColor(100, 0, 0), QColor(148, 0, 0), 40), 6), QList<quint32>{0x640000});
    EXPECT_EQ(LogoArt::palette(twoColors(QColor(100, 0, 0), QColor(149, 0, 0), 40), 6),
              (QList<quint32>{0x640000, 0x950000}));
    // A 64 × 64 canvas holds 4096 pixels: 20 of them (0.49 %) are too few, 21 are enough.
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int i = 0; i < 20; ++i) image.setPixel(i, 0, qRgb(0, 0, 200));
    EXPECT_EQ(LogoArt::palette(image, 6), QList<quint32>{0xFFFFFF});
    image.setPixel(20, 0, qRgb(0, 0, 200));
    EXPECT_EQ(LogoArt::palette(image, 6), (QList<quint32>{0xFFFFFF, 0x0000C8}));
    EXPECT_EQ(LogoArt::palette(image, 1), QList<quint32>{0xFFFFFF});
}

TEST(LogoArtTest, SuggestsRolesFromLivelyColors) {
    EXPECT_FALSE(LogoArt::suggestedRoles({0x000000, 0xFFFFFF, 0x808080}));
    EXPECT_EQ(LogoArt::suggestedRoles({0x6E5BD8}), (LogoArt::Roles{0x6E5BD8, std::nullopt}));
    EXPECT_EQ(LogoArt::suggestedRoles({0xFFFFFF, 0x6E5BD8, 0x202020, 0xE26D5A, 0x3DDC97}),
              (LogoArt::Roles{0x6E5BD8, 0xE26D5A}));
}

TEST(LogoArtTest, TintsKeepAlpha) {
    QImage logo(10, 4, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    logo.setPixel(0, 0, qRgba(200, 40, 10, 128));
    logo.setPixel(1, 0, qRgba(10, 200, 40, 255));

    EXPECT_EQ(LogoArt::tinted(logo, LogoVariant::auto_).cacheKey(), logo.cacheKey());
    EXPECT_EQ(LogoArt::tinted(logo, LogoVariant::original).cacheKey(), logo.cacheKey());

    const QImage black = LogoArt::tinted(logo, LogoVariant::black);
    ASSERT_EQ(black.size(), logo.size());
    const QColor edge = black.pixelColor(0, 0);
    EXPECT_EQ(edge.alpha(), 128);
    EXPECT_NEAR(edge.red(), 18, 1);
    EXPECT_NEAR(edge.blue(), 18, 1);
    EXPECT_EQ(black.pixel(1, 0), qRgb(18, 18, 18));
    EXPECT_EQ(qAlpha(black.pixel(5, 2)), 0);

    const QImage white = LogoArt::tinted(logo, LogoVariant::white);
    EXPECT_EQ(white.pixel(1, 0), qRgb(255, 255, 255));

    const QImage gray = LogoArt::tinted(logo, LogoVariant::gray);
    const QColor g = QColor::fromRgba(gray.pixel(1, 0));
    EXPECT_EQ(g, QColor(124, 124, 124)); // (299 × 10 + 587 × 200 + 114 × 40) / 1000
    EXPECT_EQ(qAlpha(gray.pixel(0, 0)), 128);
    EXPECT_TRUE(LogoArt::tinted(QImage(), LogoVariant::black).isNull());
}
