#include "platform/Memory.h"
#include "core/Clipboard.h"
#include "platform/Pasteboard.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPromise>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTest>

#include <optional>

#include <gtest/gtest.h>

namespace {

class RecordingPasteboard : public platform::Pasteboard {
public:
    bool setContents(const QList<Item> &items) override {
        ++writes;
        held = items;
        return true;
    }
    QList<Item> contents() const override { return held; }
    QList<Item> held;
    int writes = 0;
};

QImage decode(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).read();
}

} // namespace

TEST(ClipboardTest, CopiesExactlyPngAndTiffOfTheImage) {
    RecordingPasteboard board;
    platform::Pasteboard::setSharedForTesting(&board);
    QImage image(7, 5, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(10, 200, 30, 128));

    ASSERT_TRUE(Clipboard::copy(image));
    ASSERT_EQ(board.held.size(), 2);
    EXPECT_EQ(board.held[0].first, QStringLiteral("image/png"));
    EXPECT_EQ(board.held[1].first, QStringLiteral("image/tiff"));
    for (const auto &item : board.held) {
        const QImage back = decode(item.second).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(back.size(), image.size()) << item.first.toStdString();
        EXPECT_EQ(back.pixelColor(3, 2).alpha(), 128) << item.first.toStdString();
    }

    // A failed copy leaves the clipboard alone.
    board.held = {{QStringLiteral("text/plain"), "keep me"}};
    EXPECT_FALSE(Clipboard::copy(QImage()));
    EXPECT_EQ(board.writes, 1);
    EXPECT_EQ(board.held.size(), 1);
    platform::Pasteboard::setSharedForTesting(nullptr);
}

// The capture road copies on a worker thread; whatever the user copied meanwhile stays on the
// clipboard, and the late copy reports that it was overtaken. The TIFF is made from the PNG.
TEST(ClipboardTest, ABackgroundCopyNeverOverwritesALaterOne) {
    RecordingPasteboard board;
    platform::Pasteboard::setSharedForTesting(&board);
    QImage later(3, 3, QImage::Format_ARGB32_Premultiplied);
    later.fill(Qt::blue);
    QSemaphore go;
    std::optional<Clipboard::PastingCopy> landed;
    Clipboard::copyForPastingInBackground(
        [&go] {
            go.acquire();
            QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::red);
            return image;
        },
        [&](const Clipboard::PastingCopy &copy) { landed = copy; });
    ASSERT_TRUE(Clipboard::copy(later));
    go.release();
    ASSERT_TRUE(testsupport::becomes([&] { return landed.has_value(); }));
    EXPECT_FALSE(landed->copied);
    EXPECT_TRUE(landed->overtaken);
    EXPECT_EQ(board.writes, 1);
    EXPECT_EQ(decode(board.held[0].second).size(), QSize(3, 3));

    // Alone, it lands, with the thumbnail for its notice.
    landed.reset();
    Clipboard::copyForPastingInBackground(
        [] {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(Qt::green);
            return image;
        },
        [&](const Clipboard::PastingCopy &copy) { landed = copy; });
    ASSERT_TRUE(testsupport::becomes([&] { return landed.has_value(); }));
    EXPECT_TRUE(landed->copied);
    EXPECT_FALSE(landed->overtaken);
    ASSERT_EQ(board.held.size(), 2);
    EXPECT_EQ(decode(board.held[1].second).pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(landed->picture.size(), QSize(40, 30)); // never enlarged
    EXPECT_EQ(landed->notice().title, QStringLiteral("Copiado"));
    EXPECT_EQ(landed->notice().kind, ToastKind::done);
    platform::Pasteboard::setSharedForTesting(nullptr);
}

// A stored capture is copied once it is decoded: as it is, and only while no later copy started.
TEST(ClipboardTest, APictureStillComingIsCopiedAsItIsUnlessALaterCopyStarted) {
    RecordingPasteboard board;
    platform::Pasteboard::setSharedForTesting(&board);
    QImage image(50, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    QPromise<QImage> first;
    first.start();
    std::optional<Clipboard::PastingCopy> landed;
    Clipboard::copyInBackground(first.future(), [&](const Clipboard::PastingCopy &copy) { landed = copy; });
    QPromise<QImage> second;
    second.start();
    std::optional<Clipboard::PastingCopy> secondLanded;
    Clipboard::copyInBackground(second.future(), [&](const Clipboard::PastingCopy &copy) { secondLanded = copy; });
    second.addResult(image);
    second.finish();
    ASSERT_TRUE(testsupport::becomes([&] { return secondLanded.has_value(); }));
    EXPECT_TRUE(secondLanded->copied);
    // Not scaled to the export scale: the original, pixel for pixel.
    EXPECT_EQ(decode(board.held[0].second).size(), QSize(50, 30));

    first.addResult(QImage(10, 10, QImage::Format_RGB32));
    first.finish();
    ASSERT_TRUE(testsupport::becomes([&] { return landed.has_value(); }));
    EXPECT_TRUE(landed->overtaken);
    EXPECT_FALSE(landed->copied);
    EXPECT_EQ(board.writes, 1);

    // No picture: nothing copied, the clipboard untouched.
    landed.reset();
    Clipboard::copyInBackground(QtFuture::makeReadyFuture(QImage()),
                                [&](const Clipboard::PastingCopy &copy) { landed = copy; });
    ASSERT_TRUE(testsupport::becomes([&] { return landed.has_value(); }));
    EXPECT_FALSE(landed->copied);
    EXPECT_FALSE(landed->overtaken);
    EXPECT_EQ(board.writes, 1);
    platform::Pasteboard::setSharedForTesting(nullptr);
}

// The resident process does not hold the megabytes of a copied screen while nobody pastes: once the
// copy has landed, the clipboard serves its PNG (and the TIFF made from it) from elsewhere.
TEST(ClipboardTest, ALandedCopyIsStillServedWholeWithoutItsPngInMemory) {
    if (!testsupport::usesSystemAllocator()) GTEST_SKIP() << "the heap's size is the sanitizer allocator's";
    platform::Memory::configureForResidentProcess(); // freed pictures leave at once
    QImage noise(2000, 1500, QImage::Format_RGB32);  // noise: megabytes of PNG
    for (int y = 0; y < noise.height(); ++y)
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(noise.scanLine(y)), noise.width());
    std::optional<bool> landed;
    const auto copy = [&landed](const QImage &image) {
        landed.reset();
        Clipboard::copyForPastingInBackground([image] { return image; },
                                              [&landed](const Clipboard::PastingCopy &done) { landed = done.copied; });
        return testsupport::becomes([&landed] { return landed.has_value(); }) && *landed;
    };
    ASSERT_TRUE(copy(QImage(40, 30, QImage::Format_RGB32))); // the workers are there then
    const qint64 before = testsupport::anonymousResidentKb();
    ASSERT_TRUE(copy(noise));
    // The PNG goes to its file on a worker, and the allocator's free pages back to the system a moment
    // after the work: until then the process may hold them. The PNG of noise is no smaller than its pixels.
    const qint64 pixelsKb = qint64(noise.width()) * noise.height() * 3 / 1024;
    EXPECT_TRUE(testsupport::becomes([&] { return testsupport::anonymousResidentKb() - before < pixelsKb / 4; }));

    const qint64 grown = testsupport::anonymousResidentKb() - before;
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    const QByteArray png = mime->data(QStringLiteral("image/png"));
    EXPECT_GT(png.size(), 8 << 20);
    EXPECT_LT(grown, png.size() / 1024 / 4) << grown << " kB held after the copy";
    EXPECT_EQ(decode(png).convertToFormat(QImage::Format_RGB32), noise);
    EXPECT_EQ(mime->data(QStringLiteral("image/png")), png) << "served again";
    EXPECT_EQ(decode(mime->data(QStringLiteral("image/tiff"))).convertToFormat(QImage::Format_RGB32), noise);
}
