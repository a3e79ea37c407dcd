#include "platform/PngEncoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

using platform::PngEncoder::Filter;

// Noise over gradients: every filter has work, and rows differ from their neighbours.
QImage noisy(int width, int height, QImage::Format format, bool transparent) {
    QImage image(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int alpha = transparent ? int(random.bounded(256)) : 255;
            image.setPixel(x, y, qRgba((x * 7) & 255, (y * 3 + x) & 255, int(random.bounded(256)), alpha));
        }
    return image.convertToFormat(format);
}

// What a PNG reader makes of the bytes, as straight ARGB; null when it refuses them.
QImage decoded(const QByteArray &png, QByteArray *format = nullptr) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    const QImage image = reader.read();
    if (format) *format = reader.format();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// Any reader must read every stretch of the strip stream: whatever the filter, level, thread count
// and strip boundaries (a tall image makes many strips), the pixels come back exactly.
TEST(PngEncoderTest, EveryFilterLevelAndThreadCountDecodesExactly) {
    const QImage opaque = noisy(301, 1200, QImage::Format_RGB32, false);
    for (Filter filter : {Filter::none, Filter::sub, Filter::up, Filter::average, Filter::paeth, Filter::adaptive})
        for (int level : {0, 1, 6})
            for (int threads : {1, 3}) {
                const auto png = platform::PngEncoder::encode(opaque, {level, filter, threads});
                ASSERT_TRUE(png);
                EXPECT_EQ(decoded(*png), opaque.convertToFormat(QImage::Format_ARGB32))
                    << "filter " << int(filter) << " level " << level << " threads " << threads;
            }
}

// Opaque pictures are written as RGB, others keep their alpha (straight, also from premultiplied
// pixels); one-pixel and one-row pictures work.
TEST(PngEncoderTest, AlphaIsKeptOnlyWhereThereIsTransparency) {
    const QImage withAlpha = noisy(97, 1100, QImage::Format_ARGB32, true);
    const QImage premultiplied = withAlpha.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto png = platform::PngEncoder::encode(premultiplied);
    ASSERT_TRUE(png);
    const QImage back = decoded(*png);
    ASSERT_EQ(back.size(), withAlpha.size());
    // The premultiplied round trip is only as exact as premultiplying was.
    EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32_Premultiplied), premultiplied);
    EXPECT_TRUE(back.hasAlphaChannel());
    EXPECT_EQ(png->at(25), 6); // colour type: RGBA

    const QImage opaqueArgb = noisy(64, 40, QImage::Format_ARGB32_Premultiplied, false);
    const auto rgb = platform::PngEncoder::encode(opaqueArgb);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->at(25), 2); // colour type: RGB
    EXPECT_EQ(decoded(*rgb), opaqueArgb.convertToFormat(QImage::Format_ARGB32));
    // One translucent pixel in the last row of a tall picture (read in bands) still keeps the alpha.
    QImage lastRow = noisy(300, 2000, QImage::Format_ARGB32_Premultiplied, false);
    lastRow.setPixel(299, 1999, qRgba(0, 0, 0, 40)); // premultiplied, exact both ways
    const auto rgba = platform::PngEncoder::encode(lastRow);
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->at(25), 6);
    EXPECT_EQ(decoded(*rgba).convertToFormat(QImage::Format_ARGB32_Premultiplied), lastRow);

    for (const QSize size : {QSize(1, 1), QSize(5000, 1), QSize(1, 3000)}) {
        const QImage small = noisy(size.width(), size.height(), QImage::Format_RGB888, false);
        const auto bytes = platform::PngEncoder::encode(small);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(decoded(*bytes), small.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_FALSE(platform::PngEncoder::encode(QImage()));
}
