#include "core/GaussianBlur.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

// The share of a true Gaussian of σ that lies left of `t`.
double gaussianBelow(double t, double sigma) { return 0.5 * std::erfc(-t / (sigma * std::sqrt(2.0))); }

QImage alphaSquare(int size, QRect square) {
    QImage mask(size, size, QImage::Format_Alpha8);
    mask.fill(0);
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x) mask.scanLine(y)[x] = 255;
    return mask;
}

struct Deviation {
    int largest = 0; // in levels of 255
    double mean = 0;
};

// How far the blurred square lies from the exact blur of the square (which is separable: the product
// of two blurred steps along x and y).
Deviation deviationFromGaussian(const QImage &blurred, QRect square, double sigma) {
    Deviation d;
    double total = 0;
    auto along = [sigma](int n, int first, int last) {
        std::vector<double> share(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            share[static_cast<size_t>(i)] =
                gaussianBelow(last + 1 - (i + 0.5), sigma) - gaussianBelow(first - (i + 0.5), sigma);
        return share;
    };
    const std::vector<double> fx = along(blurred.width(), square.left(), square.right());
    const std::vector<double> fy = along(blurred.height(), square.top(), square.bottom());
    for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x) {
            const int expected =
                static_cast<int>(std::lround(255 * fx[static_cast<size_t>(x)] * fy[static_cast<size_t>(y)]));
            const int error = std::abs(expected - blurred.constScanLine(y)[x]);
            d.largest = std::max(d.largest, error);
            total += error;
        }
    d.mean = total / (blurred.width() * blurred.height());
    return d;
}

} // namespace

TEST(GaussianBlurTest, ShadowBlurValueIsTwiceSigma) {
    EXPECT_DOUBLE_EQ(GaussianBlur::sigmaForShadowBlur(88), 44);
    EXPECT_DOUBLE_EQ(GaussianBlur::sigmaForShadowBlur(-3), 0);
    EXPECT_DOUBLE_EQ(GaussianBlur::sigmaForShadowBlur(std::nan("")), 0);
}

// Small σ runs at full size, large σ through the averaged-down copy; both must match a true Gaussian.
// Three boxes differ from it by up to 2.5 levels along one axis, so 5 levels (2 %) is the bound in two;
// on average they stay well within a level.
TEST(GaussianBlurTest, FollowsATrueGaussianAtEverySize) {
    struct Case {
        int size;
        QRect square;
        double sigma;
    };
    for (const Case &c : {Case{120, QRect(40, 30, 40, 50), 1.5}, Case{160, QRect(50, 40, 60, 70), 6},
                          Case{360, QRect(120, 100, 120, 160), 17}, Case{700, QRect(240, 220, 200, 260), 44}}) {
        QImage mask = alphaSquare(c.size, c.square);
        GaussianBlur::blurAlpha8(mask, c.sigma);
        const Deviation d = deviationFromGaussian(mask, c.square, c.sigma);
        EXPECT_LE(d.largest, 5) << "sigma " << c.sigma;
        EXPECT_LT(d.mean, 0.5) << "sigma " << c.sigma;
    }
}

// The shadow path draws the shape straight at the reduced scale; it must match the Gaussian as well.
TEST(GaussianBlurTest, SoftMaskFollowsATrueGaussian) {
    for (const auto &[size, square, sigma] :
         {std::tuple{120, QRect(40, 30, 40, 50), 3.0}, std::tuple{700, QRect(240, 220, 200, 260), 44.0},
          std::tuple{503, QRect(171, 150, 161, 201), 31.0}}) {
        const GaussianBlur::SoftMask mask(QSize(size, size), sigma,
                                          [rect = square](QPainter &p) { p.fillRect(rect, Qt::black); });
        ASSERT_FALSE(mask.isNull());
        QImage read(size, size, QImage::Format_Alpha8);
        for (int y = 0; y < size; ++y) mask.readRow(y, 0, size, read.scanLine(y));
        const Deviation d = deviationFromGaussian(read, square, sigma);
        EXPECT_LE(d.largest, 5) << "sigma " << sigma;
        EXPECT_LT(d.mean, 0.75) << "sigma " << sigma;
    }
    // Reading part of a row gives the same values as reading all of it; outside the mask nothing.
    const GaussianBlur::SoftMask mask(QSize(300, 100), 20,
                                      [](QPainter &p) { p.fillRect(100, 30, 100, 40, Qt::black); });
    uint8_t whole[300], part[50];
    mask.readRow(50, 0, 300, whole);
    mask.readRow(50, 120, 50, part);
    EXPECT_TRUE(std::equal(part, part + 50, whole + 120));
    part[0] = 7;
    mask.readRow(100, 0, 50, part);
    mask.readRow(5, 280, 50, part);
    EXPECT_EQ(part[0], 7);
}

TEST(GaussianBlurTest, EdgesAreClampedNotDarkened) {
    QImage solid(97, 61, QImage::Format_RGB32);
    solid.fill(QColor(200, 40, 90));
    for (double sigma : {3.0, 30.0}) {
        const QImage out = GaussianBlur::blurred(solid, sigma);
        ASSERT_EQ(out.size(), solid.size());
        EXPECT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
        for (QPoint p : {QPoint(0, 0), QPoint(96, 60), QPoint(48, 0), QPoint(0, 30)})
            EXPECT_EQ(out.pixel(p), qRgb(200, 40, 90)) << sigma;
    }
    QImage mask(50, 40, QImage::Format_Alpha8);
    mask.fill(255);
    GaussianBlur::blurAlpha8(mask, 12);
    EXPECT_EQ(mask.constScanLine(0)[0], 255);
    EXPECT_EQ(mask.constScanLine(39)[49], 255);
}

TEST(GaussianBlurTest, KeepsPremultipliedColorsValidAndTheInputUntouched) {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.fillRect(QRect(20, 20, 24, 24), QColor(255, 255, 255, 120));
        p.fillRect(QRect(30, 10, 4, 44), QColor(0, 200, 255));
    }
    const QImage before = image.copy();
    const QImage out = GaussianBlur::blurred(image, 5);
    EXPECT_EQ(image, before);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb raw = reinterpret_cast<const QRgb *>(out.constScanLine(y))[x];
            ASSERT_LE(qRed(raw), qAlpha(raw));
            ASSERT_LE(qGreen(raw), qAlpha(raw));
            ASSERT_LE(qBlue(raw), qAlpha(raw));
        }
    // Half of the bar's colour spreads into the transparent neighbourhood.
    EXPECT_GT(qAlpha(reinterpret_cast<const QRgb *>(out.constScanLine(32))[36]), 0);
}

TEST(GaussianBlurTest, DegenerateInputsAreHarmless) {
    QImage none;
    GaussianBlur::blurAlpha8(none, 10);
    EXPECT_TRUE(none.isNull());
    EXPECT_TRUE(GaussianBlur::blurred(QImage(), 4).isNull());

    QImage one(1, 1, QImage::Format_Alpha8);
    one.fill(77);
    GaussianBlur::blurAlpha8(one, 1e9);
    EXPECT_EQ(one.constScanLine(0)[0], 77);

    QImage grey(30, 20, QImage::Format_Grayscale8);
    grey.fill(9);
    GaussianBlur::blurAlpha8(grey, 2); // converted to a mask first
    EXPECT_EQ(grey.format(), QImage::Format_Alpha8);

    QImage untouched = alphaSquare(40, QRect(10, 10, 5, 5));
    const QImage copy = untouched.copy();
    GaussianBlur::blurAlpha8(untouched, std::nan(""));
    GaussianBlur::blurAlpha8(untouched, -2);
    EXPECT_EQ(untouched, copy);
}
