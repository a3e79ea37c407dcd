#include "platform/PngStreamWriter.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage gradient(QSize size, bool transparent) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(
                x, y, qPremultiply(qRgba(x * 7 % 256, y * 3 % 256, (x + y) % 256, transparent ? (x * 13) % 256 : 255)));
    return image;
}

QImage decode(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    return QImageReader(&buffer, "png").read();
}

} // namespace

TEST(PngStreamWriterTest, BandsMakeOnePictureWithTheSamePixels) {
    const QImage opaque = gradient({301, 250}, false);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    platform::PngStreamWriter writer(&buffer, opaque.size());
    for (int top = 0; top < opaque.height(); top += 64)
        ASSERT_TRUE(writer.writeRows(opaque.copy(0, top, opaque.width(), std::min(64, opaque.height() - top))));
    ASSERT_TRUE(writer.finish());
    const QImage back = decode(bytes);
    EXPECT_FALSE(back.hasAlphaChannel());
    EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32_Premultiplied), opaque);

    // A whole image keeps its alpha only when a pixel needs it; other formats go through too.
    const QImage translucent = gradient({40, 30}, true);
    EXPECT_EQ(decode(*platform::PngStreamWriter::encode(translucent)).convertToFormat(QImage::Format_ARGB32),
              translucent.convertToFormat(QImage::Format_ARGB32));
    const QImage grey = opaque.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(decode(*platform::PngStreamWriter::encode(grey)).convertToFormat(QImage::Format_Grayscale8), grey);
}

TEST(PngStreamWriterTest, RowsMustFitAndTheDeviceMustTakeThem) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    platform::PngStreamWriter tooMany(&buffer, {10, 10});
    EXPECT_FALSE(tooMany.writeRows(gradient({10, 11}, false)));
    EXPECT_FALSE(tooMany.writeRows(gradient({10, 1}, false))); // failed for good
    platform::PngStreamWriter missing(&buffer, {10, 10});
    ASSERT_TRUE(missing.writeRows(gradient({10, 5}, false)));
    EXPECT_FALSE(missing.finish());
    QBuffer closed;
    platform::PngStreamWriter unwritable(&closed, {10, 10});
    EXPECT_FALSE(unwritable.writeRows(gradient({10, 10}, false)));
    EXPECT_FALSE(unwritable.errorString().isEmpty());
}
