#include "core/Exporter.h"
#include "core/TestValues.h"
#include "platform/HeifCodec.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A small picture with what exports have to survive: transparent corners, a half-transparent band,
// flat colours, a gradient and text.
QImage samplePicture(int width = 240, int height = 160) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2563eb));
    p.drawRoundedRect(QRectF(image.rect()), 24, 24);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, Qt::yellow);
    gradient.setColorAt(1, Qt::magenta);
    p.fillRect(QRect(20, 20, width - 40, 40), gradient);
    p.fillRect(QRect(20, height - 40, width - 40, 20), QColor(255, 0, 0, 128));
    p.setPen(Qt::white);
    p.drawText(QRect(20, 70, width - 40, 40), Qt::AlignCenter, QStringLiteral("Relatório 2024 — ação"));
    return image;
}

std::optional<QImage> readWithQt(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

} // namespace

// ---- prepare ----

TEST(ExporterTest, RetinaPassesPngAndHeicThroughUntouched) {
    const QImage image = samplePicture();
    for (ExportFormat format : {ExportFormat::png, ExportFormat::heic}) {
        const QImage prepared = Exporter::prepare(image, settings(format));
        EXPECT_EQ(prepared.cacheKey(), image.cacheKey());
    }
    EXPECT_TRUE(Exporter::prepare(QImage(), settings(ExportFormat::jpeg, ExportScale::standard)).isNull());
}

TEST(ExporterTest, StandardHalvesRoundingHalvesUpAndKeepsOnePixel) {
    const struct {
        QSize in, out;
    } cases[] = {{{1001, 667}, {501, 334}}, {{1, 1}, {1, 1}}, {{101, 3}, {51, 2}}, {{2880, 1800}, {1440, 900}}};
    for (const auto &c : cases)
        for (ExportFormat format : allExportFormats) {
            QImage image(c.in, QImage::Format_RGB32);
            image.fill(Qt::gray);
            const QImage prepared = Exporter::prepare(image, settings(format, ExportScale::standard));
            EXPECT_EQ(prepared.size(), c.out) << c.in.width() << "×" << c.in.height();
            EXPECT_EQ(prepared.format(), QImage::Format_ARGB32_Premultiplied);
        }
}

TEST(ExporterTest, StandardScalesSmoothlyAndKeepsTransparencyOutsideJpeg) {
    // Alternating black and white columns average to grey; picking every other pixel would not.
    QImage stripes(64, 64, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    const QImage half = Exporter::prepare(stripes, settings(ExportFormat::png, ExportScale::standard));
    EXPECT_NEAR(qGray(half.pixel(16, 16)), 128, 8);

    const QImage picture = samplePicture();
    const QImage png = Exporter::prepare(picture, settings(ExportFormat::png, ExportScale::standard));
    EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(png.pixel(60, 40)), 255);
}

TEST(ExporterTest, JpegIsAlwaysFlattenedOnWhite) {
    QImage image(50, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setPixelColor(10, 10, QColor(255, 0, 0, 128));
    image.setPixelColor(20, 10, QColor(0, 0, 255));
    for (ExportScale scale : allExportScales) {
        const QImage prepared = Exporter::prepare(image, settings(ExportFormat::jpeg, scale));
        EXPECT_NE(prepared.cacheKey(), image.cacheKey());
        EXPECT_EQ(prepared.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(prepared.pixel(prepared.width() - 1, prepared.height() - 1), qRgb(255, 255, 255));
    }
    const QImage retina = Exporter::prepare(image, settings(ExportFormat::jpeg));
    EXPECT_EQ(retina.size(), image.size());
    EXPECT_EQ(retina.pixel(20, 10), qRgb(0, 0, 255));
    // Half-transparent red over white is pink, not dark red.
    const QColor pink = retina.pixelColor(10, 10);
    EXPECT_EQ(pink.red(), 255);
    EXPECT_NEAR(pink.green(), 127, 2);
    EXPECT_NEAR(pink.blue(), 127, 2);
}

// ---- encode ----

TEST(ExporterTest, PngIsLosslessCompressedAndIgnoresQuality) {
    const QImage image = samplePicture(480, 320);
    const auto low = Exporter::encode(image, settings(ExportFormat::png, ExportScale::retina, 0.1));
    const auto high = Exporter::encode(image, settings(ExportFormat::png, ExportScale::retina, 1.0));
    ASSERT_TRUE(low && high);
    EXPECT_EQ(*low, *high);
    EXPECT_TRUE(low->startsWith("\x89PNG"));
    // Compressed for real (Qt writes uncompressed files for small compression values).
    EXPECT_LT(low->size(), image.sizeInBytes() / 4);
    const auto decoded = readWithQt(*low);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->convertToFormat(QImage::Format_ARGB32_Premultiplied), image);
}

TEST(ExporterTest, JpegAndHeicGrowWithQuality) {
    const QImage image = samplePicture(320, 200);
    for (ExportFormat format : {ExportFormat::jpeg, ExportFormat::heic}) {
        const QImage prepared = Exporter::prepare(image, settings(format));
        const auto low = Exporter::encode(prepared, settings(format, ExportScale::retina, 0.1));
        const auto high = Exporter::encode(prepared, settings(format, ExportScale::retina, 1.0));
        ASSERT_TRUE(low && high) << rawValue(format).toStdString();
        EXPECT_GT(high->size(), low->size()) << rawValue(format).toStdString();
    }
}

TEST(ExporterTest, EncodedFilesDecodeBack) {
    const QImage image = samplePicture();
    const auto jpeg =
        Exporter::encode(Exporter::prepare(image, settings(ExportFormat::jpeg)), settings(ExportFormat::jpeg));
    ASSERT_TRUE(jpeg);
    const auto fromJpeg = readWithQt(*jpeg);
    ASSERT_TRUE(fromJpeg);
    EXPECT_EQ(fromJpeg->size(), image.size());
    EXPECT_GT(qGray(fromJpeg->pixel(0, 0)), 245);
    fromJpeg->save(testsupport::outputPath(QStringLiteral("export-jpeg.png")));

    // A picture that skipped `prepare` still gets white, not black, where it was transparent.
    const auto unprepared = Exporter::encode(image, settings(ExportFormat::jpeg));
    ASSERT_TRUE(unprepared);
    EXPECT_GT(qGray(readWithQt(*unprepared)->pixel(0, 0)), 245);

    const auto heic = Exporter::encode(image, settings(ExportFormat::heic, ExportScale::retina, 0.9));
    ASSERT_TRUE(heic);
    EXPECT_EQ(heic->mid(4, 8), QByteArray("ftypheic"));
    const auto fromHeic = platform::HeifCodec::decode(*heic);
    ASSERT_TRUE(fromHeic);
    EXPECT_EQ(fromHeic->size(), image.size());
    // The alpha plane is lossy too, but a transparent corner stays (nearly) transparent.
    EXPECT_LE(qAlpha(fromHeic->pixel(0, 0)), 4);
    EXPECT_EQ(qAlpha(fromHeic->pixel(120, 80)), 255);
    fromHeic->save(testsupport::outputPath(QStringLiteral("export-heic.png")));
}

TEST(ExporterTest, RefusesWhatCannotBeEncoded) {
    for (ExportFormat format : allExportFormats) {
        EXPECT_FALSE(Exporter::encode(QImage(), settings(format)));
        // Wider than any encoder or decoder of ours accepts.
        QImage tooWide(40000, 1, QImage::Format_RGB32);
        tooWide.fill(Qt::white);
        EXPECT_FALSE(Exporter::encode(tooWide, settings(format)));
    }
    // A quality that is not a number falls back to the default instead of failing.
    const auto nan = Exporter::encode(
        samplePicture(), settings(ExportFormat::jpeg, ExportScale::retina, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(nan);
}
