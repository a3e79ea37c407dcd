#include "core/Exporter.h"
#include "core/Settings.h"
#include "history/CaptureWriter.h"
#include "history/RecentsStore.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>

#include <atomic>

#include <gtest/gtest.h>

namespace {

QImage picture(int w, int h, QColor color = QColor(40, 120, 220)) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

class CaptureWriterTest : public ::testing::Test {
protected:
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    QString folder = temp.file(QStringLiteral("Recentes"));
    std::atomic<int> encodings{0};

    // PNG files, counting the encodings.
    std::unique_ptr<RecentsStore> makeStore() {
        defaults.setBool(Settings::historyCompact.key(), false);
        return std::make_unique<RecentsStore>(defaults, folder, [this](const QImage &image, const ExportSettings &s) {
            ++encodings;
            return Exporter::encode(image, s);
        });
    }
    static int waitingFiles(const CaptureWriter &writer) {
        return int(QDir(writer.waitingFolder()).entryList(QDir::Files).size());
    }
};

} // namespace

// While a copy is on its way to the clipboard no encoding starts: the oldest captures wait in memory, the
// rest as files. Once the copy is done they are all written; quitting never waits for a copy.
TEST_F(CaptureWriterTest, UrgentWorkHoldsEncodingsBackUntilItEndsOrTheApplicationQuits) {
    auto store = makeStore();
    CaptureWriter &writer = store->writer();
    writer.beginUrgentWork();
    const QDateTime first(QDate(2026, 3, 14), QTime(9, 5, 27));
    for (int i = 0; i < 4; ++i) store->addInBackground(picture(40, 30), first.addSecs(i));
    ASSERT_TRUE(testsupport::becomes([&] { return waitingFiles(writer) == 4 - CaptureWriter::heldWaiting; }));
    testsupport::settle();
    EXPECT_EQ(encodings, 0);
    EXPECT_EQ(writer.pendingCount(), 4);
    EXPECT_EQ(store->fileCount(), 0);

    writer.endUrgentWork();
    ASSERT_TRUE(testsupport::becomes([&] { return writer.pendingCount() == 0; }));
    EXPECT_EQ(store->fileCount(), 4);
    EXPECT_EQ(waitingFiles(writer), 0);

    // The end of the application does not wait for a copy that will never reach the clipboard.
    writer.beginUrgentWork();
    store->addInBackground(picture(40, 30), first.addSecs(10));
    EXPECT_TRUE(writer.waitForPending());
    EXPECT_EQ(store->fileCount(), 5);
    writer.endUrgentWork();
}

// The display going away takes the event loop with it: what the writer holds only in memory goes to the
// waiting folder at once, and the next start writes every capture, in order.
TEST_F(CaptureWriterTest, WhatIsHeldInMemoryIsSavedWithoutTheEventLoopAndWrittenAtTheNextStart) {
    auto store = makeStore();
    store->writer().beginUrgentWork();
    const QDateTime first(QDate(2026, 3, 14), QTime(9, 5, 27));
    for (int i = 0; i < CaptureWriter::heldWaiting; ++i) store->addInBackground(picture(40, 30), first.addSecs(i));
    EXPECT_EQ(waitingFiles(store->writer()), 0);
    store->writer().saveHeld();
    EXPECT_EQ(waitingFiles(store->writer()), CaptureWriter::heldWaiting);
    EXPECT_EQ(encodings, 0);

    store.reset(); // the process ends here
    auto next = makeStore();
    ASSERT_TRUE(testsupport::becomes([&] { return next->writer().pendingCount() == 0; }));
    EXPECT_EQ(next->fileCount(), CaptureWriter::heldWaiting);
    EXPECT_EQ(waitingFiles(next->writer()), 0);
}
