#include "platform/HeifCodec.h"
#include "platform/ImageFile.h"
#include "platform/PngCodec.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ImageFile = platform::ImageFile;

namespace {

// A PNG chunk; `declared` overrides the length field, as a hostile file does.
QByteArray chunk(const char *type, const QByteArray &data, qint64 declared = -1) {
    QByteArray out(4, '\0');
    qToBigEndian(quint32(declared < 0 ? data.size() : declared), out.data());
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(testsupport::crc32(body), crc.data());
    return out + body + crc;
}

QByteArray savedByQt(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The chunks of a PNG, signature and end left out.
QByteArray chunksOf(const QByteArray &png) { return png.mid(8, png.size() - 8 - 12); }

QImage capture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    for (int y = 0; y < h; y += 40)
        for (int x = 0; x < w; x += 40) p.fillRect(x, y, 40, 40, QColor::fromHsv((x + y) % 360, 120, 200));
    return image;
}

} // namespace

TEST(ImageFileTest, HostileFilesAreReadWithBoundedMemory) {
    // Each file is decoded whole and as a thumbnail in a process of its own, which counts every
    // allocation it asks for. Captures of a large screen are the yardstick.
    testsupport::TempFolder dir;
    const QImage screen = capture(3840, 2160);
    ASSERT_TRUE(dir.write(QStringLiteral("screen.png"), savedByQt(screen, "png")));
    ASSERT_TRUE(dir.write(QStringLiteral("screen.heic"), platform::HeifCodec::encode(screen, 0.9).value()));
    const QString seeds = QStringLiteral(PELICARTA_FUZZ_SEEDS);
    const QStringList files{seeds + QStringLiteral("/heif/grid-bomb.heic"),
                            seeds + QStringLiteral("/heif/heif-8845b6a3.heic"),
                            seeds + QStringLiteral("/heif/heif-93cbb27a.heic"),
                            seeds + QStringLiteral("/png/png-text-chunk.png"),
                            dir.file(QStringLiteral("screen.png")),
                            dir.file(QStringLiteral("screen.heic"))};
    QProcess probe;
    probe.start(QStringLiteral(PELICARTA_DECODE_PEAK), files);
    ASSERT_TRUE(probe.waitForFinished(testsupport::patienceMs));
    const QStringList lines =
        QString::fromLocal8Bit(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), files.size()) << probe.readAllStandardError().toStdString();
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char(' '));
        const qint64 peak = fields.last().toLongLong();
        std::printf("peak %s: %.1f MB\n", qPrintable(QFileInfo(fields.first()).fileName()), peak / 1048576.0);
        if (peak < 0) GTEST_SKIP() << "allocations are not counted under the sanitizers";
        EXPECT_LT(peak, 300ll << 20) << line.toStdString();
        const bool hostileHeif = line.contains(QStringLiteral("/heif/"));
        EXPECT_EQ(fields.at(fields.size() - 2), hostileHeif ? QStringLiteral("refused") : QStringLiteral("decoded"))
            << line.toStdString();
    }
}

TEST(ImageFileTest, PngMetadataIsSkippedAndSizesCheckedFirst) {
    const QByteArray png = savedByQt(capture(120, 80), "png");
    const QByteArray signature = png.left(8), ihdr = chunksOf(png).left(25), end = png.right(12);
    // A comment before the picture is skipped; a text chunk after it declaring 1.5 GB is never read.
    const QByteArray commented = signature + ihdr + chunk("tEXt", QByteArray(4000, 'a')) + chunksOf(png).mid(25) + end;
    const QByteArray trailing = png.chopped(12) + chunk("tEXt", "Comment", 1500000000);
    // Handed to another PNG reader, the second would cost its declared 1.5 GB: it is refused.
    EXPECT_TRUE(platform::PngCodec::chunksWithinLimits(commented));
    EXPECT_FALSE(platform::PngCodec::chunksWithinLimits(trailing));
    for (const QByteArray &bytes : {commented, trailing}) {
        const QImage image = ImageFile::decode(bytes);
        EXPECT_EQ(image.size(), QSize(120, 80));
        EXPECT_EQ(image.pixel(10, 10), capture(120, 80).pixel(10, 10));
    }
    // A header declaring 40000 × 40000 pixels is refused before anything is allocated; so is a chunk
    // before the picture declaring more than a colour profile ever needs.
    QByteArray header = ihdr.mid(8, 13);
    qToBigEndian(quint32(40000), header.data());
    qToBigEndian(quint32(40000), header.data() + 4);
    QString error;
    EXPECT_TRUE(ImageFile::decode(signature + chunk("IHDR", header) + chunksOf(png).mid(25) + end, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(
        ImageFile::decode(signature + ihdr + chunk("iCCP", "x", 200000000) + chunksOf(png).mid(25) + end).isNull());
}

TEST(ImageFileTest, FormatsAreToldByContentAndOnlyRegularFilesAreRead) {
    testsupport::TempFolder dir;
    const QImage picture = capture(200, 100);
    ASSERT_TRUE(dir.write(QStringLiteral("png.heic"), savedByQt(picture, "png")));
    ASSERT_TRUE(dir.write(QStringLiteral("heic.png"), platform::HeifCodec::encode(picture, 0.9).value()));
    ASSERT_TRUE(dir.write(QStringLiteral("photo.jpg"), savedByQt(picture, "jpeg")));
    for (const char *name : {"png.heic", "heic.png", "photo.jpg"}) {
        EXPECT_EQ(ImageFile::read(dir.file(QLatin1String(name))).size(), QSize(200, 100)) << name;
        EXPECT_EQ(ImageFile::readSize(dir.file(QLatin1String(name))), QSize(200, 100)) << name;
        // Reduced as far as it still covers what a thumbnail needs.
        const QImage thumbnail = ImageFile::readThumbnail(dir.file(QLatin1String(name)), QSize(80, 40));
        EXPECT_LE(thumbnail.width(), 100) << name;
        EXPECT_GE(thumbnail.width(), 80) << name;
        EXPECT_GE(thumbnail.height(), 40) << name;
    }
    ASSERT_TRUE(dir.write(QStringLiteral("notes.png"), "not a picture"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file(QStringLiteral("fifo.png"))).constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    for (const char *name : {"notes.png", "fifo.png", "absent.png"}) {
        QString error;
        EXPECT_TRUE(ImageFile::read(dir.file(QLatin1String(name)), &error).isNull()) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
        EXPECT_FALSE(ImageFile::readSize(dir.file(QLatin1String(name)))) << name;
    }
    EXPECT_LT(clock.elapsed(), testsupport::patienceMs); // a read waiting for a FIFO's writer would never end
}

TEST(ImageFileTest, ThumbnailsAverageColorsByTheirCoverage) {
    // Columns alternate between opaque red and fully transparent green: a reduced pixel is half
    // covered red, never tinted by the colour of pixels nobody sees.
    QImage stripes(960, 4, QImage::Format_ARGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y, x % 2 ? qRgba(0, 255, 0, 0) : qRgba(255, 0, 0, 255));
    const QImage reduced = ImageFile::decodeThumbnail(savedByQt(stripes, "png"), QSize(480, 2));
    EXPECT_EQ(reduced.size(), QSize(480, 2));
    const QColor pixel = reduced.pixelColor(100, 1);
    EXPECT_NEAR(pixel.alpha(), 127, 1);
    EXPECT_GT(pixel.red(), 250);
    EXPECT_EQ(pixel.green(), 0);
}

TEST(ImageFileTest, AScaledHeicCaptureComesFromItsEmbeddedThumbnail) {
    // A wide capture's card picture (480 on its longer side) is its embedded thumbnail. The coded data
    // of the whole picture is spoilt here, so only a picture read from the thumbnail has the capture's
    // colours: a full decode would also cost a card some twenty times more.
    QImage screen(1920, 1080, QImage::Format_RGB32);
    quint32 state = 11;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int jitter = int(state >> 27) - 16;
            screen.setPixel(x, y, qRgb(40 + jitter, 160 + jitter, 70 + jitter));
        }
    QByteArray bytes = platform::HeifCodec::encode(screen, 0.9).value();
    // The picture comes first in the file's data, its thumbnail (a few kilobytes) last.
    const qsizetype data = bytes.indexOf("mdat") + 4;
    ASSERT_GT(data, 4);
    for (qsizetype i = data + 64; i < data + (bytes.size() - data) / 2; ++i) bytes[i] = '\0';
    testsupport::TempFolder dir;
    ASSERT_TRUE(dir.write(QStringLiteral("capture.heic"), bytes));

    const QImage card = ImageFile::readScaled(dir.file(QStringLiteral("capture.heic")), 480);
    ASSERT_EQ(card.size(), QSize(480, 270));
    for (const QPoint at : {QPoint(20, 20), QPoint(240, 135), QPoint(460, 250)}) {
        const QColor pixel = card.pixelColor(at);
        EXPECT_NEAR(pixel.red(), 40, 14);
        EXPECT_NEAR(pixel.green(), 160, 14);
        EXPECT_NEAR(pixel.blue(), 70, 14);
    }
}
