#include "core/AnnotationRenderer.h"
#include "support/TestSupport.h"

#include <QFontInfo>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QImage filled(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// Noise, so that every mosaic block differs from its neighbours.
QImage noise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, 0xFF000000u | random.bounded(0x1000000u));
    return image;
}

Annotation mark(Annotation::Kind kind, QPointF start, QPointF end, quint32 color = 0xFF5A5F, double width = 4) {
    Annotation a;
    a.kind = kind;
    a.start = start;
    a.end = end;
    a.color = color;
    a.width = width;
    return a;
}

QColor at(const QImage &image, int x, int y) { return QColor::fromRgba(image.pixel(x, y)); }

bool near(QColor a, QColor b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace

TEST(AnnotationRendererTest, CropsOnlyWhenTheCropCounts) {
    const QImage image = filled(300, 200, Qt::white);
    EXPECT_EQ(AnnotationRenderer::render(image, std::nullopt, {}).cacheKey(), image.cacheKey());
    // Under 8 pixels on a side, not finite, or outside the image: ignored.
    for (const QRectF &ignored : {QRectF(10, 10, 7, 100), QRectF(400, 300, 50, 50), QRectF(qQNaN(), 0, 50, 50),
                                  QRectF(-1e300, -1e300, 1e300, 1e300)})
        EXPECT_EQ(AnnotationRenderer::render(image, ignored, {}).size(), image.size());
    EXPECT_EQ(AnnotationRenderer::render(image, QRectF(250.5, 150.2, 100, 100), {}).size(), QSize(50, 50));
    EXPECT_EQ(AnnotationRenderer::render(image, QRectF(-20, -20, 1e12, 1e12), {}).size(), image.size());
}

TEST(AnnotationRendererTest, MarksAreShiftedByTheCrop) {
    const QImage image = filled(400, 300, Qt::white);
    const QImage out = AnnotationRenderer::render(image, QRectF(100, 50, 200, 150),
                                                  {mark(Annotation::Kind::arrow, {110, 60}, {200, 60}, 0x4DA3FF, 6)});
    ASSERT_EQ(out.size(), QSize(200, 150));
    // The tail starts 10 pixels from the left, its centre line 10 from the top (the shadow is grey).
    auto blue = [&](int x, int y) { return at(out, x, y).blue() - at(out, x, y).red() > 100; };
    int first = 0;
    while (first < out.width() && !blue(first, 10)) ++first;
    EXPECT_EQ(first, 10);
    EXPECT_TRUE(blue(20, 9) && blue(20, 10));
    EXPECT_FALSE(blue(20, 7) || blue(20, 12));

    // Marks are in pixels also on an image of a high-density screen, which keeps its density.
    QImage dense = image.copy();
    dense.setDevicePixelRatio(2);
    const QImage denseOut = AnnotationRenderer::render(
        dense, std::nullopt, {mark(Annotation::Kind::arrow, {110, 60}, {300, 60}, 0x4DA3FF, 6)});
    EXPECT_EQ(denseOut.devicePixelRatio(), 2);
    EXPECT_GT(denseOut.pixelColor(250, 60).blue() - denseOut.pixelColor(250, 60).red(), 100);
    EXPECT_TRUE(near(at(out, 95, 10), QColor(0x4D, 0xA3, 0xFF), 10)); // the tip's head
}

TEST(AnnotationRendererTest, BlursShareOneMosaicUnderEveryOtherMark) {
    const QImage image = noise(400, 300);
    const Annotation left = mark(Annotation::Kind::blur, {20, 20}, {210, 200});
    const Annotation right = mark(Annotation::Kind::blur, {380, 250}, {150, 80}); // drawn backwards
    const Annotation both = mark(Annotation::Kind::blur, {20, 20}, {380, 250});
    const QImage two = AnnotationRenderer::render(image, std::nullopt, {left, right});
    const QImage one = AnnotationRenderer::render(image, std::nullopt, {both});
    // Inside either box, the two marks show exactly what one big mark shows: the blocks line up.
    int compared = 0;
    for (int y = 0; y < 300; y += 3)
        for (int x = 0; x < 400; x += 3) {
            const QPointF p(x + 0.5, y + 0.5);
            if (!left.box().contains(p) && !right.box().contains(p)) {
                ASSERT_EQ(two.pixel(x, y), image.pixel(x, y));
                continue;
            }
            ASSERT_EQ(two.pixel(x, y), one.pixel(x, y)) << x << "," << y;
            ++compared;
        }
    EXPECT_GT(compared, 1000);

    // A blur listed after an arrow still lies under it.
    const Annotation arrow = mark(Annotation::Kind::arrow, {30, 100}, {200, 100}, 0x3DDC97, 10);
    const QImage over = AnnotationRenderer::render(image, std::nullopt, {arrow, left});
    EXPECT_TRUE(near(at(over, 100, 100), QColor(0x3D, 0xDC, 0x97), 2));
    // Degenerate blur boxes change nothing.
    const QImage thin =
        AnnotationRenderer::render(image, std::nullopt, {mark(Annotation::Kind::blur, {10, 10}, {11, 200})});
    EXPECT_EQ(thin.pixel(10, 100), image.pixel(10, 100));
}

TEST(AnnotationRendererTest, HighlightsMultiply) {
    QImage image = filled(200, 100, Qt::white);
    {
        QPainter p(&image);
        p.fillRect(100, 0, 100, 100, Qt::black);
    }
    const QImage out = AnnotationRenderer::render(image, std::nullopt,
                                                  {mark(Annotation::Kind::highlight, {10, 10}, {190, 90}, 0xFF5A5F)});
    // Over white: 45 % of the colour, 55 % of white.
    EXPECT_TRUE(
        near(at(out, 50, 50), QColor(255, qRound(0.45 * 0x5A + 0.55 * 255), qRound(0.45 * 0x5F + 0.55 * 255)), 2));
    EXPECT_EQ(at(out, 150, 50), QColor(Qt::black));
    EXPECT_EQ(at(out, 5, 5), QColor(Qt::white));
}

TEST(AnnotationRendererTest, LabelInkFontAndPill) {
    EXPECT_EQ(AnnotationRenderer::textColor(0xFFC93C), QColor::fromRgbF(0.08f, 0.07f, 0.12f));
    for (quint32 light : {0x3DDC97u, 0xB79CFFu, 0xFFFFFFu})
        EXPECT_NE(AnnotationRenderer::textColor(light), QColor(Qt::white));
    for (quint32 dark : {0xFF5A5Fu, 0x4DA3FFu, 0x15121Fu})
        EXPECT_EQ(AnnotationRenderer::textColor(dark), QColor(Qt::white));

    Annotation label = mark(Annotation::Kind::label(QStringLiteral("Olá")), {40, 30}, {40, 30}, 0xFFC93C, 2);
    const AnnotationRenderer::TextAttributes attributes = AnnotationRenderer::textAttributes(label);
    EXPECT_DOUBLE_EQ(attributes.font.pointSizeF(), 14);
    EXPECT_EQ(attributes.font.weight(), QFont::DemiBold);
    EXPECT_EQ(QFontInfo(attributes.font).family(), QStringLiteral("Inter"));
    const QRectF pill = AnnotationRenderer::textBounds(label);
    EXPECT_EQ(pill.topLeft(), QPointF(40, 30));
    // Padding 6.3 on either side, 3.5 above and below whole-pixel text.
    EXPECT_NEAR(std::fmod(pill.width() - 12.6, 1.0), 0, 1e-9);
    EXPECT_NEAR(std::fmod(pill.height() - 7, 1.0), 0, 1e-9);
    EXPECT_GT(pill.width(), 12.6 + 14);
    EXPECT_GT(pill.height(), 7 + 14);

    label.width = 6;
    EXPECT_DOUBLE_EQ(AnnotationRenderer::textAttributes(label).font.pointSizeF(), 30);
    // Other kinds and empty labels measure one space.
    const QRectF space = AnnotationRenderer::textBounds(mark(Annotation::Kind::label({}), {0, 0}, {0, 0}, 0, 2));
    EXPECT_EQ(space.size(), AnnotationRenderer::textBounds(mark(Annotation::Kind::arrow, {0, 0}, {0, 0}, 0, 2)).size());
    EXPECT_LT(space.width(), pill.width());

    // The letters of a yellow label are dark, of a red one white.
    const QImage image = filled(300, 120, Qt::white);
    label.width = 6;
    label.kind = Annotation::Kind::label(QStringLiteral("████"));
    Annotation red = label;
    red.color = 0xFF5A5F;
    red.start = {40, 60};
    label.start = {40, 0};
    const QImage out = AnnotationRenderer::render(image, std::nullopt, {label, red});
    const QRectF yellowPill = AnnotationRenderer::textBounds(label), redPill = AnnotationRenderer::textBounds(red);
    auto darkest = [&](const QRectF &r) {
        int low = 255;
        for (int y = int(r.top()) + 4; y < int(r.bottom()) - 4; ++y)
            for (int x = int(r.left()) + 4; x < int(r.right()) - 4; ++x) low = std::min(low, qGray(out.pixel(x, y)));
        return low;
    };
    EXPECT_LT(darkest(yellowPill), 40);
    EXPECT_GT(darkest(redPill), 100); // red pill and white letters, nothing dark
    EXPECT_TRUE(near(at(out, int(redPill.left()) + 3, int(redPill.center().y())), QColor(0xFF, 0x5A, 0x5F), 3));
}

TEST(AnnotationRendererTest, ArrowOutline) {
    const QPainterPath path = AnnotationRenderer::arrowPath({0, 0}, {100, 0}, 6);
    const QList<QPointF> expected{{0, 1.5}, {74.8, 3}, {74.8, 11.34}, {100, 0}, {74.8, -11.34}, {74.8, -3}, {0, -1.5}};
    ASSERT_GE(path.elementCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(path.elementAt(i).x, expected[i].x(), 1e-9) << i;
        EXPECT_NEAR(path.elementAt(i).y, expected[i].y(), 1e-9) << i;
    }
    // Head length: 8.4 raised to 14; 0.6 × 20 for a short arrow.
    EXPECT_NEAR(AnnotationRenderer::arrowPath({0, 0}, {100, 0}, 2).elementAt(1).x, 86, 1e-9);
    EXPECT_NEAR(AnnotationRenderer::arrowPath({0, 0}, {0, 20}, 6).elementAt(1).y, 8, 1e-9);
    EXPECT_TRUE(AnnotationRenderer::arrowPath({5, 5}, {5.5, 5.5}, 6).isEmpty());
    EXPECT_TRUE(AnnotationRenderer::arrowPath({5, 5}, {qQNaN(), 5}, 6).isEmpty());
}

TEST(AnnotationRendererTest, MosaicSizes) {
    EXPECT_EQ(AnnotationRenderer::pixelate(filled(1920, 1080, Qt::gray)).size(), QSize(90, 50));
    EXPECT_EQ(AnnotationRenderer::pixelate(filled(800, 600, Qt::gray)).size(), QSize(80, 60));
    EXPECT_EQ(AnnotationRenderer::pixelate(filled(100, 50, Qt::gray)).size(), QSize(10, 5));
    EXPECT_EQ(AnnotationRenderer::pixelate(filled(3, 2, Qt::gray)).size(), QSize(1, 1));
    EXPECT_TRUE(AnnotationRenderer::pixelate(QImage()).isNull());
}

// Every kind of mark on one picture, for a person to look at; degenerate marks must not disturb it.
TEST(AnnotationRendererTest, EveryMarkTogether) {
    QImage image(900, 560, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.fillRect(image.rect(), QColor(0xF4, 0xF4, 0xF8));
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 18));
        for (int i = 0; i < 14; ++i)
            p.drawText(30, 40 + i * 36, QStringLiteral("Linha %1 — fulano@example.com · (11) 98765-4321").arg(i + 1));
    }
    const QList<Annotation> marks{
        mark(Annotation::Kind::blur, {280, 90}, {560, 160}),
        mark(Annotation::Kind::arrow, {700, 420}, {480, 250}, 0xFF5A5F, 6),
        mark(Annotation::Kind::rectangle, {20, 300}, {420, 380}, 0x4DA3FF, 6),
        mark(Annotation::Kind::highlight, {25, 170}, {430, 200}, 0xFFC93C, 6),
        mark(Annotation::Kind::label(QStringLiteral("Conta do cliente")), {560, 460}, {560, 460}, 0xFFC93C, 6),
        mark(Annotation::Kind::label(QStringLiteral("Atenção")), {620, 40}, {620, 40}, 0xFF5A5F, 4),
        mark(Annotation::Kind::blur, {300, 430}, {300, 520}),
        mark(Annotation::Kind::arrow, {10, 10}, {10, 10}),
        mark(Annotation::Kind::label({}), {5, 5}, {5, 5}),
        mark(Annotation::Kind::arrow, {qQNaN(), 0}, {1e308, -1e308}),
        mark(Annotation::Kind::rectangle, {qQNaN(), 0}, {40, 40}, 0x3DDC97, qQNaN()),
        mark(Annotation::Kind::rectangle, {-1e300, -1e300}, {1e300, 1e300}, 0x3DDC97, 1e300),
        mark(Annotation::Kind::highlight, {0, qInf()}, {40, 40}),
        mark(Annotation::Kind::blur, {qQNaN(), 0}, {400, 400}),
        mark(Annotation::Kind::label(QStringLiteral("x")), {qQNaN(), qQNaN()}, {0, 0}, 0xFFFFFF, 1e9),
    };
    const QImage out = AnnotationRenderer::render(image, std::nullopt, marks);
    ASSERT_EQ(out.size(), image.size());
    EXPECT_TRUE(out.save(testsupport::outputPath(QStringLiteral("annotations.png"))));

    // Drawn over an earlier picture kept for the purpose, the result is the same, to the pixel.
    QImage storage = filled(900, 560, Qt::magenta).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const uchar *kept = storage.constBits();
    const QImage again = AnnotationRenderer::render(image, std::nullopt, marks, &storage);
    EXPECT_EQ(again.constBits(), kept);
    EXPECT_EQ(again, out);
}
