#include "platform/Pasteboard.h"
#include "widgets/Clipboard.h"

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
