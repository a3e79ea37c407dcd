#include "brand_window/BrandGuidePreview.h"

#include "core/Localization.h"

#include <QFontInfo>

#include <gtest/gtest.h>

TEST(BrandGuidePreviewTest, FooterBadgeAndFontFallBackSensibly) {
    BrandKit kit;
    kit.footer = QStringLiteral(" \n\t ");
    EXPECT_EQ(BrandGuidePreview::footer(kit), L("Feito com Pelicarta"));
    EXPECT_EQ(BrandGuidePreview::badgeText(0x6E5BD8), QColor(Qt::white));
    EXPECT_EQ(BrandGuidePreview::badgeText(0xF0F0A0), QColor(21, 18, 31));
    const QFont missing = BrandGuidePreview::brandFont(QStringLiteral("Fonte Que Não Existe"), 13, QFont::Bold);
    EXPECT_NE(QFontInfo(missing).family(), QStringLiteral("Fonte Que Não Existe"));
    EXPECT_EQ(missing.weight(), QFont::Bold);
}
