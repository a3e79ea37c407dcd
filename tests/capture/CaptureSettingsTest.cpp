#include "capture/CaptureSettings.h"
#include "capture/Clipboard.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QImageReader>

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

TEST(CaptureSettingsTest, StoredValuesAndTheirFallbacks) {
    testsupport::TempFolder dir;
    platform::UserDefaults d(dir.file(QStringLiteral("d.json")));
    EXPECT_EQ(AfterCaptureSetting::current(d), AfterCapture::quick);
    for (const auto &[raw, expected] : {std::pair{"editor", AfterCapture::editor}, {"copy", AfterCapture::copy},
                                       {"quick", AfterCapture::quick}, {"Editor", AfterCapture::quick},
                                       {"", AfterCapture::quick}}) {
        d.setString(QString::fromLatin1(AfterCaptureSetting::key), QString::fromLatin1(raw));
        EXPECT_EQ(AfterCaptureSetting::current(d), expected) << raw;
    }
    d.setBool(QString::fromLatin1(AfterCaptureSetting::key), true);
    EXPECT_EQ(AfterCaptureSetting::current(d), AfterCapture::quick);

    EXPECT_EQ(AreaReleaseSetting::current(d), AreaRelease::adjust);
    d.setString(QString::fromLatin1(AreaReleaseSetting::key), QStringLiteral("instant"));
    EXPECT_EQ(AreaReleaseSetting::current(d), AreaRelease::instant);
    d.setString(QString::fromLatin1(AreaReleaseSetting::key), QStringLiteral("Instant"));
    EXPECT_EQ(AreaReleaseSetting::current(d), AreaRelease::adjust);

    EXPECT_TRUE(AreaReleaseSetting::tipsEnabled(d));
    d.setString(QString::fromLatin1(AreaReleaseSetting::tipsKey), QStringLiteral("false"));
    EXPECT_TRUE(AreaReleaseSetting::tipsEnabled(d));
    d.setBool(QString::fromLatin1(AreaReleaseSetting::tipsKey), false);
    EXPECT_FALSE(AreaReleaseSetting::tipsEnabled(d));
}

TEST(ClipboardTest, CopiesExactlyPngAndTiffOfTheImage) {
    RecordingPasteboard board;
    platform::Pasteboard::setGeneralForTesting(&board);
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
    platform::Pasteboard::setGeneralForTesting(nullptr);
}
