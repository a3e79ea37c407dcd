#include "platform/HeifCodec.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>
#include <malloc.h>
#include <thread>
#include <vector>

namespace {

// Flat blocks, large enough that 4:2:0 chroma and lossy coding leave their middles nearly exact:
// opaque colours, a half-transparent one, and a fully transparent one.
QImage blocks(bool withTransparency) {
    QImage image(128, 96, withTransparency ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(0, 0, 64, 48), QColor(220, 40, 40));
    p.fillRect(QRect(64, 0, 64, 48), QColor(30, 160, 60));
    p.fillRect(QRect(0, 48, 64, 48), withTransparency ? QColor(40, 60, 220, 128) : QColor(40, 60, 220));
    p.fillRect(QRect(64, 48, 64, 48), withTransparency ? QColor(0, 0, 0, 0) : QColor(250, 250, 250));
    return image;
}

void expectClose(const QColor &actual, const QColor &expected, int tolerance) {
    EXPECT_NEAR(actual.red(), expected.red(), tolerance) << qPrintable(actual.name(QColor::HexArgb));
    EXPECT_NEAR(actual.green(), expected.green(), tolerance) << qPrintable(actual.name(QColor::HexArgb));
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance) << qPrintable(actual.name(QColor::HexArgb));
    EXPECT_NEAR(actual.alpha(), expected.alpha(), tolerance) << qPrintable(actual.name(QColor::HexArgb));
}

} // namespace

TEST(HeifCodecTest, RoundTripKeepsAlphaAndColors) {
    const QImage image = blocks(true);
    QString error;
    const auto bytes = platform::HeifCodec::encode(image, 0.9, &error);
    ASSERT_TRUE(bytes) << qPrintable(error);
    const auto decoded = platform::HeifCodec::decode(*bytes, &error);
    ASSERT_TRUE(decoded) << qPrintable(error);
    EXPECT_EQ(decoded->size(), image.size());
    EXPECT_EQ(decoded->format(), QImage::Format_ARGB32_Premultiplied);
    expectClose(decoded->pixelColor(32, 24), QColor(220, 40, 40), 6);
    expectClose(decoded->pixelColor(96, 24), QColor(30, 160, 60), 6);
    // Half-transparent: colour is compared unpremultiplied, so allow a little more.
    expectClose(decoded->pixelColor(32, 72), QColor(40, 60, 220, 128), 8);
    EXPECT_LE(decoded->pixelColor(96, 72).alpha(), 4);
}

TEST(HeifCodecTest, OpaquePicturesHaveNoAlpha) {
    // Even in a format with an alpha channel, an opaque picture is written without one.
    for (const QImage &image : {blocks(false), blocks(false).convertToFormat(QImage::Format_ARGB32)}) {
        const auto bytes = platform::HeifCodec::encode(image, 0.9);
        ASSERT_TRUE(bytes);
        const auto decoded = platform::HeifCodec::decode(*bytes);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->format(), QImage::Format_RGB32);
        expectClose(decoded->pixelColor(32, 72), QColor(40, 60, 220), 6);
    }
}

TEST(HeifCodecTest, OddAndTinySizesSurvive) {
    for (QSize size : {QSize(1, 1), QSize(3, 5), QSize(501, 334)}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(10, 200, 120, 200));
        QString error;
        const auto bytes = platform::HeifCodec::encode(image, 0.5, &error);
        ASSERT_TRUE(bytes) << size.width() << "×" << size.height() << ": " << qPrintable(error);
        EXPECT_EQ(platform::HeifCodec::readSize(*bytes), size);
        const auto decoded = platform::HeifCodec::decode(*bytes);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->size(), size);
    }
}

TEST(HeifCodecTest, ScreensOfEverySizeAreEncodedNearLossless) {
    // The recents folder's quality, on screens beyond 1080p too, whose coding trees x265 limits.
    for (QSize size : {QSize(1920, 1080), QSize(1920, 1200), QSize(2560, 1440), QSize(4300, 200), QSize(3840, 2160)}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(30, 90, 160));
        QString error;
        const auto bytes = platform::HeifCodec::encode(image, 0.92, &error);
        ASSERT_TRUE(bytes) << size.width() << "×" << size.height() << ": " << qPrintable(error);
        EXPECT_EQ(platform::HeifCodec::readSize(*bytes), size);
    }
}

TEST(HeifCodecTest, ReadsFiles) {
    testsupport::TempFolder folder;
    const auto bytes = platform::HeifCodec::encode(blocks(true), 0.8);
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(folder.write(QStringLiteral("Captura ção.heic"), *bytes));
    const QString path = folder.file(QStringLiteral("Captura ção.heic"));
    EXPECT_EQ(platform::HeifCodec::readFileSize(path), QSize(128, 96));
    const auto decoded = platform::HeifCodec::decodeFile(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(128, 96));

    // Missing, empty, cut short, or not a file at all (a folder once made the reader spin forever).
    ASSERT_TRUE(folder.write(QStringLiteral("empty.heic"), {}));
    ASSERT_TRUE(folder.write(QStringLiteral("cut.heic"), bytes->left(bytes->size() / 2)));
    for (const QString &name :
         {QStringLiteral("absent.heic"), QStringLiteral("empty.heic"), QStringLiteral("cut.heic"), QString()}) {
        QString error;
        EXPECT_FALSE(platform::HeifCodec::decodeFile(folder.file(name), &error)) << qPrintable(name);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(platform::HeifCodec::readFileSize(folder.path()));
    EXPECT_FALSE(platform::HeifCodec::readFileSize(folder.file(QStringLiteral("empty.heic"))));
}

TEST(HeifCodecTest, PicturesThatWouldDecodeBeyondTheLimitsAreRefusedBeforeDecoding) {
    // Tiny files that once decoded to gigabytes: a grid declaring 25461 × 29191 pixels for a 31 × 7
    // picture, a grid of 16384 × 12288 over one 64 × 64 tile, an overlay of 31100 × 28363 as a tile.
    QByteArray gridBomb;
    for (const char *name : {"grid-bomb.heic", "heif-8845b6a3.heic", "heif-93cbb27a.heic"}) {
        QFile file(QStringLiteral(PELICARTA_FUZZ_SEEDS "/heif/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray bytes = file.readAll();
        if (gridBomb.isEmpty()) gridBomb = bytes;
        QString error;
        EXPECT_FALSE(platform::HeifCodec::decode(bytes, &error)) << name;
        EXPECT_TRUE(error.startsWith(QStringLiteral("refused before decoding"))) << qPrintable(error);
        EXPECT_FALSE(platform::HeifCodec::decodeThumbnail(bytes, QSize(232, 160))) << name;
    }
    // The same grid with a canvas its tile covers is an ordinary picture.
    const qsizetype canvas = gridBomb.indexOf("idat") + 4 + 4;
    gridBomb.replace(canvas, 4, QByteArray("\x00\x40\x00\x30", 4));
    const auto decoded = platform::HeifCodec::decode(gridBomb);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(64, 48));
}

TEST(HeifCodecTest, ThumbnailsComeFromTheEmbeddedOneOrAReducedDecode) {
    // A large picture carries a thumbnail of 480 pixels; decoding the picture and reducing it by
    // whole blocks while it covers 232 × 160 would give 320 × 180.
    QImage screen(1920, 1080, QImage::Format_RGB32);
    screen.fill(QColor(30, 160, 60));
    const auto large = platform::HeifCodec::encode(screen, 0.8);
    ASSERT_TRUE(large);
    const auto fromEmbedded = platform::HeifCodec::decodeThumbnail(*large, QSize(232, 160));
    ASSERT_TRUE(fromEmbedded);
    EXPECT_EQ(fromEmbedded->width(), 480);
    expectClose(fromEmbedded->pixelColor(240, 80), QColor(30, 160, 60), 8);

    // A small one has none: it is reduced as it comes out of the decoder, transparency included.
    const auto small = platform::HeifCodec::encode(blocks(true), 0.8);
    ASSERT_TRUE(small);
    const auto reduced = platform::HeifCodec::decodeThumbnail(*small, QSize(48, 32));
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->size(), QSize(64, 48));
    EXPECT_EQ(reduced->format(), QImage::Format_ARGB32_Premultiplied);
    expectClose(reduced->pixelColor(10, 8), QColor(220, 40, 40), 8);
    expectClose(reduced->pixelColor(10, 36), QColor(40, 60, 220, 128), 8);
    EXPECT_LE(reduced->pixelColor(48, 36).alpha(), 8);
}

TEST(HeifCodecTest, DamagedInputDecodesToNothing) {
    const auto valid = platform::HeifCodec::encode(blocks(true), 0.8);
    ASSERT_TRUE(valid);

    QByteArray noise(4096, '\0');
    quint32 state = 7;
    for (char &c : noise) c = char((state = state * 1664525u + 1013904223u) >> 24);
    const QByteArray cases[] = {
        QByteArray(),
        noise,
        valid->left(valid->size() / 2),
        valid->left(64),
        // A real file's header followed by garbage.
        valid->left(valid->size() / 3) + noise,
    };
    for (const QByteArray &bytes : cases) {
        QString error;
        EXPECT_FALSE(platform::HeifCodec::decode(bytes, &error)) << bytes.size();
        EXPECT_FALSE(error.isEmpty());
    }
    // Corrupt coded data: a picture or nothing, never a crash.
    QByteArray flipped = *valid;
    for (qsizetype i = flipped.size() - 200; i < flipped.size(); i += 7) flipped[i] = char(flipped[i] ^ 0x5a);
    if (const auto image = platform::HeifCodec::decode(flipped)) {
        EXPECT_EQ(image->size(), QSize(128, 96));
    }
}

TEST(HeifCodecTest, EncodesAndDecodesOnManyThreadsAtOnce) {
    const QImage image = blocks(true);
    const auto expected = platform::HeifCodec::encode(image, 0.7);
    ASSERT_TRUE(expected);
    std::vector<std::optional<QByteArray>> encoded(6);
    std::vector<std::optional<QImage>> decoded(6);
    {
        std::vector<std::jthread> threads;
        for (size_t i = 0; i < encoded.size(); ++i)
            threads.emplace_back([&, i] {
                encoded[i] = platform::HeifCodec::encode(image, 0.7);
                decoded[i] = platform::HeifCodec::decode(*expected);
            });
    }
    for (size_t i = 0; i < encoded.size(); ++i) {
        EXPECT_EQ(encoded[i], expected);
        ASSERT_TRUE(decoded[i]);
        EXPECT_EQ(*decoded[i], *decoded[0]);
    }
}

// The resident app encodes every capture it keeps, at the recents' near-lossless quality: an encoding
// must leave nothing behind in the heap, or a burst of hundreds of captures grows the process by as
// much each time. Counted in the allocator's bytes in use, which freed pages do not blur.
TEST(HeifCodecTest, EncodingCaptureAfterCaptureLeavesNothingInTheHeap) {
    if (!testsupport::usesSystemAllocator()) GTEST_SKIP() << "the heap's size is the sanitizer allocator's";
    QImage screen(1280, 720, QImage::Format_RGB32);
    QPainter p(&screen);
    p.fillRect(screen.rect(), QLinearGradient(0, 0, 1280, 720));
    p.fillRect(QRect(80, 60, 700, 560), Qt::white);
    for (int line = 0; line < 30; ++line)
        p.drawText(90, 80 + line * 18, QStringLiteral("%1  receita de R$ %2 mil").arg(line).arg(1200 + line * 37));
    p.end();
    const auto inUse = [] { return qint64(mallinfo2().uordblks); };
    // The first encodings load the codec and make x265's tables once.
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(platform::HeifCodec::encode(screen, 0.92));
    const qint64 before = inUse();
    constexpr int encodings = 6;
    for (int i = 0; i < encodings; ++i) ASSERT_TRUE(platform::HeifCodec::encode(screen, 0.92));
    // A picture of this size left some 180 kB behind at each encoding.
    EXPECT_LT(inUse() - before, encodings * 32 * 1024) << (inUse() - before) / 1024 << " kB more in use";
}

TEST(HeifCodecTest, RefusesWhatCannotBeEncoded) {
    QString error;
    EXPECT_FALSE(platform::HeifCodec::encode(QImage(), 0.5, &error));
    EXPECT_FALSE(error.isEmpty());
    QImage tooWide(40000, 1, QImage::Format_RGB32);
    tooWide.fill(Qt::white);
    EXPECT_FALSE(platform::HeifCodec::encode(tooWide, 0.5));
    EXPECT_FALSE(platform::HeifCodec::encode(blocks(false), std::numeric_limits<double>::quiet_NaN()));
}
