#include "brand/art/BrandLogo.h"
#include "core/Beautifier.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QImage shot(int w, int h, QColor color = QColor(40, 120, 200)) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A screenshot with something in it: bars of text-like marks on white.
QImage busyShot(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(0, 0, w, 36, QColor(0x2B, 0x2F, 0x3A));
    for (int y = 60; y < h - 20; y += 28)
        p.fillRect(24, y, (w - 48) * (3 + (y / 28) % 5) / 8, 12, QColor(0x9A, 0xA0, 0xB0));
    return image;
}

BeautyStyle style(Backdrop backdrop = Backdrop::builtIn(QStringLiteral("graphite")), double padding = 64) {
    BeautyStyle s;
    s.backdrop = std::move(backdrop);
    s.padding = padding;
    return s;
}

QImage logoImage(int w, int h) {
    QImage logo(w, h, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xE2, 0x6D, 0x5A));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, w, h), h / 3.0, h / 3.0);
    return logo;
}

} // namespace

TEST(BeautifierTest, CanvasSizesAndCorners) {
    BeautyStyle s = style();
    auto size = [&](QSize source) { return Beautifier::layout(source, s)->canvas; };
    EXPECT_EQ(size({1000, 600}), QSize(1256, 856));
    s.aspect = AspectRatio::wide;
    EXPECT_EQ(size({1000, 600}), QSize(1522, 856));
    s.aspect = AspectRatio::square;
    EXPECT_EQ(size({1000, 600}), QSize(1256, 1256));
    s.aspect = AspectRatio::classic;
    EXPECT_EQ(size({1000, 600}), QSize(1256, 942));

    EXPECT_DOUBLE_EQ(Beautifier::layout({200, 200}, s)->radius, 24);
    EXPECT_DOUBLE_EQ(Beautifier::layout({60, 40}, s)->radius, 10);
    s.roundedCorners = false;
    EXPECT_DOUBLE_EQ(Beautifier::layout({60, 40}, s)->radius, 0);

    // The rendered image has the layout's size and the screenshot sits centred in it.
    s = style();
    const QImage out = Beautifier::render(shot(1000, 600), s, std::nullopt);
    EXPECT_EQ(out.size(), QSize(1256, 856));
    EXPECT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(out.pixel(628, 428), qRgb(40, 120, 200));
    EXPECT_EQ(Beautifier::layout({1000, 600}, s)->frame, QRect(128, 128, 1000, 600));

    // A screenshot of a high-density screen is laid out and drawn in pixels all the same.
    QImage dense = shot(1000, 600);
    dense.setDevicePixelRatio(2);
    const QImage denseOut = Beautifier::render(dense, s, std::nullopt);
    EXPECT_EQ(denseOut.size(), QSize(1256, 856));
    EXPECT_EQ(denseOut.pixel(1100, 700), qRgb(40, 120, 200));
}

TEST(BeautifierTest, BadPaddingAndSizesNeverCrash) {
    BeautyStyle s = style();
    // Negative and unreadable paddings count as none; too large ones give no image.
    for (double padding : {-10.0, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        s.padding = padding;
        EXPECT_EQ(Beautifier::layout({300, 200}, s)->canvas, QSize(300, 200)) << padding;
        EXPECT_EQ(Beautifier::render(shot(300, 200), s, std::nullopt).size(), QSize(300, 200));
    }
    for (double padding : {1e6, 1e300, std::numeric_limits<double>::infinity()}) {
        s.padding = padding;
        EXPECT_FALSE(Beautifier::layout({300, 200}, s)) << padding;
        EXPECT_TRUE(Beautifier::render(shot(300, 200), s, std::nullopt).isNull());
    }
    // A padding of 3600 around a full-HD capture would ask for a gigabyte at every copy: no image. An
    // 8K screen with a wide margin is still drawn.
    s.padding = 3600;
    EXPECT_FALSE(Beautifier::layout({1920, 1080}, s));
    s.padding = 256;
    EXPECT_TRUE(Beautifier::layout({7680, 4320}, s));
    // 20000 × 20000 is above the pixel budget; the check comes before any allocation of the canvas.
    s.padding = 64;
    EXPECT_FALSE(Beautifier::layout({20000, 20000}, s));
    s.aspect = AspectRatio::wide;
    EXPECT_FALSE(Beautifier::layout({32000, 100}, s));
    s.aspect = AspectRatio::auto_;
    EXPECT_TRUE(Beautifier::render(QImage(), s, std::nullopt).isNull());
    Backdrop colorless = Backdrop::builtIn(QStringLiteral("nebula"));
    colorless.colors.clear();
    s.backdrop = colorless;
    s.shadow = false;
    const QImage clear = Beautifier::render(shot(100, 100), s, std::nullopt);
    EXPECT_EQ(clear.pixel(3, 3), 0u); // a mesh without colours draws nothing: the canvas stays clear
    s = style();
    const QImage one = Beautifier::render(shot(1, 1), s, std::nullopt);
    EXPECT_EQ(one.size(), QSize(257, 257));
    EXPECT_EQ(one.pixel(128, 128), qRgb(40, 120, 200));
}

TEST(BeautifierTest, ShadowFallsBelowAndCornersShowNothingBehind) {
    BeautyStyle s = style(Backdrop::transparent());
    s.autoBalance = false;
    // A half-transparent screenshot: the shadow must not show through it, nor in its corners.
    QImage glass(400, 300, QImage::Format_ARGB32);
    glass.fill(QColor(255, 255, 255, 0));
    {
        QPainter p(&glass);
        p.fillRect(0, 0, 400, 20, QColor(255, 255, 255));
    }
    const QImage out = Beautifier::render(glass, s, std::nullopt);
    ASSERT_EQ(out.size(), QSize(656, 556));
    const QRect frame(128, 128, 400, 300);
    EXPECT_EQ(qAlpha(out.pixel(frame.center())), 0);
    EXPECT_EQ(qAlpha(out.pixel(frame.left() + 8, frame.bottom() - 8)), 0); // just inside the corner's curve
    // Outside the outline: below it the shadow is denser than above it.
    const int below = qAlpha(out.pixel(frame.center().x(), frame.bottom() + 30));
    const int above = qAlpha(out.pixel(frame.center().x(), frame.top() - 30));
    EXPECT_GT(below, above + 10);
    EXPECT_GT(below, 40);
    EXPECT_LT(below, 128);
    EXPECT_EQ(qAlpha(out.pixel(2, 2)), 0); // the far corner of a transparent canvas stays clear

    // An opaque screenshot with rounded corners: the corner pixel shows the backdrop, the pixel just
    // inside the curve the screenshot alone.
    BeautyStyle pearl = style(Backdrop::builtIn(QStringLiteral("pearl")));
    const QImage red = Beautifier::render(shot(400, 300, Qt::red), pearl, std::nullopt);
    EXPECT_NE(red.pixel(frame.topLeft()), qRgb(255, 0, 0));
    EXPECT_EQ(red.pixel(frame.left() + 10, frame.top() + 10), qRgb(255, 0, 0));
    EXPECT_EQ(red.pixel(frame.right() - 10, frame.bottom() - 10), qRgb(255, 0, 0));
}

TEST(BeautifierTest, TrimsUniformBorders) {
    QImage framed(600, 400, QImage::Format_RGB32);
    framed.fill(Qt::white);
    {
        QPainter p(&framed);
        p.fillRect(100, 100, 400, 200, QColor(30, 30, 30));
    }
    QImage trimmed = Beautifier::trimUniformEdges(framed, 10);
    EXPECT_EQ(trimmed.size(), QSize(400, 200));
    EXPECT_EQ(trimmed.pixel(0, 0), qRgb(30, 30, 30));
    EXPECT_EQ(trimmed.pixel(399, 199), qRgb(30, 30, 30));
    // The cut shares the screenshot's pixels but never writes into them.
    trimmed.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(framed.pixel(100, 100), qRgb(30, 30, 30));
    {
        QImage temporary = framed.copy();
        trimmed = Beautifier::trimUniformEdges(temporary, 10);
    }
    EXPECT_EQ(trimmed.pixel(200, 100), qRgb(30, 30, 30));
    // The same through render: the margin goes around the content only.
    EXPECT_EQ(Beautifier::render(framed, style(), std::nullopt).size(), QSize(656, 456));

    // A border within the tolerance of the corner pixel still counts as uniform.
    {
        QPainter p(&framed);
        p.fillRect(0, 50, 600, 10, QColor(246, 250, 245));
    }
    EXPECT_EQ(Beautifier::trimUniformEdges(framed, 10).size(), QSize(400, 200));

    // Content narrower than a fifth of the width: not cut at all.
    QImage narrow(600, 400, QImage::Format_ARGB32_Premultiplied);
    narrow.fill(Qt::white);
    {
        QPainter p(&narrow);
        p.fillRect(250, 100, 119, 200, Qt::black);
    }
    EXPECT_TRUE(Beautifier::trimUniformEdges(narrow, 10).isNull());
    {
        QPainter p(&narrow);
        p.fillRect(250, 100, 121, 200, Qt::black);
    }
    EXPECT_EQ(Beautifier::trimUniformEdges(narrow, 10).width(), 121);

    EXPECT_TRUE(Beautifier::trimUniformEdges(shot(100, 100), 10).isNull()); // all one colour
    QImage gradient(300, 200, QImage::Format_RGB32);
    {
        QPainter p(&gradient);
        QLinearGradient g(0, 0, 300, 200);
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, Qt::darkBlue);
        p.fillRect(gradient.rect(), g);
    }
    EXPECT_TRUE(Beautifier::trimUniformEdges(gradient, 10).isNull()); // content at every edge
    QImage tiny(8, 50, QImage::Format_RGB32);
    tiny.fill(Qt::white);
    tiny.setPixel(4, 25, qRgb(0, 0, 0));
    EXPECT_TRUE(Beautifier::trimUniformEdges(tiny, 10).isNull());
    EXPECT_TRUE(Beautifier::trimUniformEdges(QImage(), 10).isNull());
    // Other pixel formats are compared as premultiplied colours.
    EXPECT_EQ(Beautifier::trimUniformEdges(framed.convertToFormat(QImage::Format_RGB888), 10).size(), QSize(400, 200));
}

TEST(BeautifierTest, LogoGeometryAndVariant) {
    Beautifier::Layout wide{QSize(1256, 856), QRect(128, 128, 1000, 600), 24};
    const QRectF left = *Beautifier::logoRect(wide, {400, 100}, LogoPosition::bottomLeft, LogoSize::medium);
    EXPECT_NEAR(left.height(), 53.76, 1e-9);
    EXPECT_NEAR(left.width(), 215.04, 1e-9);
    EXPECT_NEAR(left.left(), 37.12, 1e-9);
    EXPECT_NEAR(856 - left.bottom(), 37.12, 1e-9);
    const QRectF right = *Beautifier::logoRect(wide, {400, 100}, LogoPosition::topRight, LogoSize::medium);
    EXPECT_NEAR(1256 - right.right(), 37.12, 1e-9);
    EXPECT_NEAR(right.top(), 37.12, 1e-9);
    const QRectF centre = *Beautifier::logoRect(wide, {400, 100}, LogoPosition::topCenter, LogoSize::large);
    EXPECT_NEAR(centre.height(), 71.68, 1e-9);
    EXPECT_NEAR(centre.center().x(), 628, 1e-9);
    // Largest heights: 0.56 × 200 = 112 is held to 96.
    Beautifier::Layout tall{QSize(1400, 1000), QRect(200, 200, 1000, 600), 24};
    EXPECT_NEAR(Beautifier::logoRect(tall, {100, 100}, LogoPosition::bottomRight, LogoSize::large)->height(), 96, 1e-9);
    EXPECT_NEAR(Beautifier::logoRect(tall, {100, 100}, LogoPosition::bottomRight, LogoSize::small)->height(), 48, 1e-9);
    // A very wide logo is held to 0.3 of the canvas; a narrow band or an empty logo gives none.
    Beautifier::Layout narrow{QSize(500, 356), QRect(128, 128, 244, 100), 24};
    const QRectF held = *Beautifier::logoRect(narrow, {2000, 100}, LogoPosition::bottomLeft, LogoSize::large);
    EXPECT_NEAR(held.width(), 150, 1e-9);
    EXPECT_NEAR(held.height(), 7.5, 1e-9);
    Beautifier::Layout slim{QSize(1032, 632), QRect(16, 16, 1000, 600), 24};
    EXPECT_FALSE(Beautifier::logoRect(slim, {400, 100}, LogoPosition::topLeft, LogoSize::large));
    EXPECT_FALSE(Beautifier::logoRect(wide, {0, 100}, LogoPosition::topLeft, LogoSize::large));

    EXPECT_EQ(Beautifier::resolvedVariant(LogoVariant::auto_, Backdrop::builtIn(QStringLiteral("graphite"))),
              LogoVariant::white);
    EXPECT_EQ(Beautifier::resolvedVariant(LogoVariant::auto_, Backdrop::builtIn(QStringLiteral("pearl"))),
              LogoVariant::black);
    EXPECT_EQ(Beautifier::resolvedVariant(LogoVariant::auto_, Backdrop::transparent()), LogoVariant::original);
    EXPECT_EQ(Beautifier::resolvedVariant(LogoVariant::gray, Backdrop::transparent()), LogoVariant::gray);
    EXPECT_NEAR(*Beautifier::backdropLuminance(Backdrop::builtIn(QStringLiteral("graphite"))), 0.15, 0.01);
    EXPECT_NEAR(*Beautifier::backdropLuminance(Backdrop::builtIn(QStringLiteral("pearl"))), 0.92, 0.01);
    Backdrop empty = Backdrop::builtIn(QStringLiteral("ocean"));
    empty.colors.clear();
    EXPECT_FALSE(Beautifier::backdropLuminance(empty));
}

TEST(BeautifierTest, LogoIsDrawnInItsBand) {
    const BrandLogo logo{logoImage(400, 100), LogoVariant::auto_, LogoPosition::bottomLeft, LogoSize::medium};
    const QImage out = Beautifier::render(shot(1000, 600), style(), logo);
    // Auto on graphite: white, in the middle of the logo's rectangle (37.12, 765.12, 215.04, 53.76).
    EXPECT_EQ(out.pixel(144, 792), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(144, 30), qRgb(0x26, 0x26, 0x2E)); // nothing at the top
    // No logo at padding 8 (band 16), an empty logo image is left out, the rest still renders.
    const QImage slim = Beautifier::render(shot(1000, 600), style(Backdrop::builtIn(QStringLiteral("pearl")), 8), logo);
    EXPECT_EQ(slim.size(), QSize(1032, 632));
    BrandLogo empty = logo;
    empty.image = QImage();
    EXPECT_EQ(Beautifier::render(shot(1000, 600), style(), empty).size(), QSize(1256, 856));
    BrandLogo zeroWide = logo;
    zeroWide.image = QImage(0, 50, QImage::Format_ARGB32);
    EXPECT_EQ(Beautifier::render(shot(1000, 600), style(), zeroWide).size(), QSize(1256, 856));
}

// Rendered results for a person to look at: every built-in backdrop and every logo position.
// Sheets for a person to look at, not a check: run with --gtest_also_run_disabled_tests.
TEST(BeautifierTest, DISABLED_RenderSheets) {
    const QImage screenshot = busyShot(800, 500);
    for (const Backdrop &b : Backdrop::defaults()) {
        const QImage out = Beautifier::render(screenshot, style(b), std::nullopt);
        ASSERT_FALSE(out.isNull()) << b.id.toStdString();
        EXPECT_TRUE(out.save(testsupport::outputPath(QStringLiteral("beautify-%1.png").arg(b.id))));
    }
    // A large canvas shows whether the stretched mesh stays smooth.
    const QImage large =
        Beautifier::render(busyShot(2400, 1500), style(Backdrop::builtIn(QStringLiteral("dusk"))), std::nullopt);
    EXPECT_TRUE(large.save(testsupport::outputPath(QStringLiteral("beautify-dusk-large.png"))));
    for (LogoPosition position : LogoPositions::all) {
        BeautyStyle s = style(Backdrop::builtIn(QStringLiteral("pearl")), 48);
        s.aspect = AspectRatio::wide;
        const BrandLogo logo{logoImage(360, 120), LogoVariant::auto_, position, LogoSize::large};
        const QImage out = Beautifier::render(screenshot, s, logo);
        EXPECT_TRUE(
            out.save(testsupport::outputPath(QStringLiteral("logo-%1.png").arg(LogoPositions::rawValue(position)))));
    }
}

TEST(BeautifierTest, APlateDrawnBeforehandGivesTheSamePictureOnlyWhenItFits) {
    const BeautyStyle s = style(Backdrop::builtIn(QStringLiteral("aurora")));
    const QImage capture = busyShot(420, 260);
    const QImage expected = Beautifier::render(capture, s, std::nullopt);
    const std::optional<Beautifier::Layout> fitting =
        Beautifier::layout(Beautifier::placedScreenshot(capture, s).size(), s);
    ASSERT_TRUE(fitting);
    // Drawn for this very screenshot: the same pixels, drawn into the plate itself.
    QImage plate = Beautifier::backplate(*fitting, s, std::nullopt);
    const uchar *plateBits = plate.constBits();
    const QImage onto = Beautifier::renderOnto(std::move(plate), *fitting, capture, s, std::nullopt);
    EXPECT_EQ(onto, expected);
    EXPECT_EQ(onto.constBits(), plateBits);
    // Drawn for the untrimmed screenshot (its borders are trimmed) or another screen: ignored, never
    // stretched or cut.
    const std::optional<Beautifier::Layout> other = Beautifier::layout(capture.size(), s);
    ASSERT_TRUE(other);
    EXPECT_EQ(Beautifier::renderOnto(Beautifier::backplate(*other, s, std::nullopt), *other, capture, s, std::nullopt),
              expected);
    // A plate someone else still holds is left as it was.
    const QImage shared = Beautifier::backplate(*fitting, s, std::nullopt);
    const QImage before = shared.copy();
    EXPECT_EQ(Beautifier::renderOnto(shared, *fitting, capture, s, std::nullopt), expected);
    EXPECT_EQ(shared, before);
}
