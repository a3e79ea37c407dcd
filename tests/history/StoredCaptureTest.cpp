#include "history/StoredCapture.h"
#include "platform/AtomicFile.h"
#include "platform/Pasteboard.h"
#include "support/PlatformFakes.h"
#include "support/RecordingNotifier.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QFile>

#include <gtest/gtest.h>

#include <optional>

namespace {

class StoredCaptureTest : public ::testing::Test {
protected:
    testsupport::TempFolder temp;
    testsupport::RecordingNotifier notices;
    testsupport::RecordingPasteboard pasteboard;
    QString readable;
    QString unreadable;

    void SetUp() override {
        platform::Pasteboard::setSharedForTesting(&pasteboard);
        readable = temp.file(QStringLiteral("inteira.png"));
        ASSERT_TRUE(testsupport::filledImage(64, 48, Qt::darkGreen).save(readable));
        unreadable = temp.file(QStringLiteral("estragada.png"));
        ASSERT_TRUE(platform::writeFileAtomically(unreadable, "\x89PNG not really"));
    }
    void TearDown() override { platform::Pasteboard::setSharedForTesting(nullptr); }
};

} // namespace

TEST_F(StoredCaptureTest, OpeningReadsOffTheMainThreadAndTellsAFileThatIsGoneFromOneThatCannotBeRead) {
    QObject context;
    std::optional<QImage> opened;
    int gone = 0;
    const auto open = [&](const QString &path) {
        StoredCapture::open(
            path, &context, [&](const QImage &image) { opened = image; }, [&] { ++gone; });
    };
    open(readable);
    EXPECT_FALSE(opened); // the main thread does not wait for the decoding
    ASSERT_TRUE(testsupport::becomes([&] { return opened.has_value(); }));
    EXPECT_EQ(opened->size(), QSize(64, 48));
    EXPECT_TRUE(notices.told.isEmpty());

    // A file that went away is the caller's to forget; nothing is shown.
    open(temp.file(QStringLiteral("ausente.png")));
    ASSERT_TRUE(testsupport::becomes([&] { return gone == 1; }));
    EXPECT_TRUE(notices.told.isEmpty());

    // One that is there but no picture says so, as a copy of it does.
    opened.reset();
    open(unreadable);
    ASSERT_TRUE(testsupport::becomes([&] { return !notices.told.isEmpty(); }));
    EXPECT_EQ(notices.last(), QStringLiteral("Não foi possível abrir — O arquivo da captura não pôde ser lido."));
    EXPECT_EQ(notices.lastKind(), ToastKind::failure);
    EXPECT_FALSE(opened);
    EXPECT_EQ(gone, 1);
}

TEST_F(StoredCaptureTest, CopyingPutsTheOriginalOnTheClipboardOrSaysItCannotBeRead) {
    const QImage thumbnail = testsupport::filledImage(8, 6, Qt::darkGreen);
    StoredCapture::copy(readable, thumbnail);
    ASSERT_TRUE(testsupport::becomes([&] { return !notices.told.isEmpty(); }));
    EXPECT_EQ(notices.last(), QStringLiteral("Copiado — Cole com Ctrl+V em qualquer app"));
    EXPECT_EQ(notices.told.last().picture.size(), thumbnail.size());
    ASSERT_FALSE(pasteboard.items.isEmpty());
    EXPECT_EQ(pasteboard.items.first().first, QStringLiteral("image/png"));
    EXPECT_EQ(QImage::fromData(pasteboard.items.first().second).size(), QSize(64, 48));

    // Not a picture, or gone: the clipboard keeps what it held.
    const int writes = pasteboard.writes;
    for (const QString &path : {unreadable, temp.file(QStringLiteral("ausente.png"))}) {
        notices.told.clear();
        StoredCapture::copy(path, thumbnail);
        ASSERT_TRUE(testsupport::becomes([&] { return !notices.told.isEmpty(); }));
        EXPECT_EQ(notices.last(), QStringLiteral("Não foi possível copiar — O arquivo da captura não pôde ser lido."));
        EXPECT_EQ(notices.lastKind(), ToastKind::failure);
    }
    EXPECT_EQ(pasteboard.writes, writes);
}
