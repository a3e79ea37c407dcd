#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

// A deferred type is offered at once and made only when a program asks for it, once, then served as
// made for as long as the contents stay.
TEST(PasteboardTest, DeferredTypesAreMadeOnTheFirstRequestOnly) {
    int made = 0;
    platform::Pasteboard &board = platform::Pasteboard::shared();
    ASSERT_TRUE(
        board.setLazyContents({{QStringLiteral("image/png"), "png bytes"}}, {{QStringLiteral("image/tiff"), [&made] {
                                                                                  ++made;
                                                                                  return QByteArray("tiff bytes");
                                                                              }}}));
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->formats(), (QStringList{QStringLiteral("image/png"), QStringLiteral("image/tiff")}));
    EXPECT_EQ(mime->data(QStringLiteral("image/png")), QByteArray("png bytes"));
    EXPECT_EQ(made, 0);
    EXPECT_EQ(mime->data(QStringLiteral("image/tiff")), QByteArray("tiff bytes"));
    EXPECT_EQ(mime->data(QStringLiteral("image/tiff")), QByteArray("tiff bytes"));
    EXPECT_EQ(made, 1);

    // Nothing to offer now: the clipboard is left as it is.
    EXPECT_FALSE(board.setLazyContents({}, {{QStringLiteral("image/tiff"), [&made] {
                                                 ++made;
                                                 return QByteArray("x");
                                             }}}));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")), QByteArray("png bytes"));
    EXPECT_EQ(made, 1);
}
