#include "core/BeautifyCache.h"
#include "core/Beautifier.h"

#include <QPainter>

#include <gtest/gtest.h>

// Whatever changes between two renders, the kept canvas never shows through: each result equals a
// render from scratch.
TEST(BeautifyCacheTest, EveryResultEqualsAFreshRender) {
    QImage shot(300, 200, QImage::Format_RGB32);
    shot.fill(Qt::white);
    QImage framed = shot; // a uniform border that balancing trims away
    {
        QPainter p(&shot);
        p.fillRect(0, 0, 300, 30, QColor(40, 40, 60));
        QPainter f(&framed);
        f.fillRect(40, 40, 220, 120, QColor(40, 40, 60));
    }
    QImage marked = shot;
    {
        QPainter p(&marked);
        p.fillRect(100, 100, 50, 50, Qt::red);
    }
    QImage logoImage(60, 20, QImage::Format_ARGB32_Premultiplied);
    logoImage.fill(Qt::blue);
    const BrandLogo logo{logoImage, LogoVariant::original, LogoPosition::bottomRight, LogoSize::large};
    BrandLogo moved = logo;
    moved.position = LogoPosition::topLeft;

    BeautyStyle plain;
    plain.padding = 40;
    BeautyStyle other = plain;
    other.backdrop = Backdrop::builtIn(QStringLiteral("sunset"));
    BeautyStyle square = plain;
    square.aspect = AspectRatio::square;

    struct Step {
        const QImage *image;
        const BeautyStyle *style;
        std::optional<BrandLogo> logo;
    };
    const QList<Step> steps{{&shot, &plain, std::nullopt},   {&marked, &plain, std::nullopt},
                            {&marked, &other, std::nullopt}, {&framed, &other, std::nullopt},
                            {&shot, &square, logo},          {&shot, &square, moved},
                            {&marked, &square, moved}};
    BeautifyCache cache;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Step &s = steps[i];
        const QImage cached = cache.render(*s.image, *s.style, s.logo);
        ASSERT_FALSE(cached.isNull()) << i;
        EXPECT_EQ(cached, Beautifier::render(*s.image, *s.style, s.logo)) << i;
    }
    // No canvas, no result.
    BeautyStyle huge = plain;
    huge.padding = 1e9;
    EXPECT_TRUE(cache.render(shot, huge, std::nullopt).isNull());
}

// Cleared while the editor is out of sight, the cache holds none of its pictures any more, and the
// next render is made anew, equal to a fresh one.
TEST(BeautifyCacheTest, ClearedItLetsEveryPictureGoAndRendersAnew) {
    QImage shot(300, 200, QImage::Format_RGB32);
    shot.fill(Qt::white);
    BeautyStyle style;
    style.padding = 40;
    BeautifyCache cache;
    const QImage first = cache.render(shot, style, std::nullopt);
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first.isDetached()); // kept for writing over later
    cache.clear();
    EXPECT_TRUE(first.isDetached());
    EXPECT_EQ(cache.render(shot, style, std::nullopt), Beautifier::render(shot, style, std::nullopt));
}
