#include "platform/KeptPicture.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace KeptPicture = platform::KeptPicture;

namespace {

QByteArray png(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

// `bytes` (a PNG) with its header declaring `side` × `side` pixels, CRC mended: a picture bomb.
QByteArray declaringSide(QByteArray bytes, quint32 side) {
    qToBigEndian(side, bytes.data() + 16);
    qToBigEndian(side, bytes.data() + 20);
    qToBigEndian(testsupport::crc32(bytes.mid(12, 17)), bytes.data() + 29);
    return bytes;
}

} // namespace

// What the program kept for later is read back only as the picture it wrote: whatever else came to
// stand under its name is refused, without following a link or blocking on a FIFO.
TEST(KeptPictureTest, OnlyTheUsersOwnWholePngIsReadBack) {
    testsupport::TempFolder dir;
    const QImage picture = testsupport::filledImage(30, 20, Qt::blue);
    const QByteArray good = png(picture);
    ASSERT_TRUE(dir.write(QStringLiteral("ok.png"), good));
    const KeptPicture::Read read = KeptPicture::read(dir.file(QStringLiteral("ok.png")));
    ASSERT_EQ(read.status, KeptPicture::Status::ok) << read.error.toStdString();
    EXPECT_EQ(read.png, good);
    EXPECT_EQ(read.image.size(), QSize(30, 20));
    EXPECT_EQ(read.image.pixelColor(5, 5), QColor(Qt::blue));

    EXPECT_EQ(KeptPicture::read(dir.file(QStringLiteral("none.png"))).status, KeptPicture::Status::missing);

    ASSERT_TRUE(dir.write(QStringLiteral("secret.txt"), "root:x:0:0:root:/root:/bin/bash\n"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("secret.txt")), dir.file(QStringLiteral("link.png"))));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("ok.png")), dir.file(QStringLiteral("link-to-picture.png"))));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("gone")), dir.file(QStringLiteral("dangling.png"))));
    ASSERT_TRUE(dir.write(QStringLiteral("text.png"), "root:x:0:0:root:/root:/bin/bash\n"));
    ASSERT_TRUE(dir.write(QStringLiteral("truncated.png"), good.left(good.size() / 2)));
    ASSERT_TRUE(dir.write(QStringLiteral("bomb.png"), declaringSide(good, 100000)));
    ASSERT_TRUE(dir.write(QStringLiteral("jpeg.png"), [&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "jpeg");
        return bytes;
    }()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file(QStringLiteral("fifo.png"))).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("folder.png"))));
    for (const char *name : {"link.png", "link-to-picture.png", "dangling.png", "text.png", "truncated.png",
                             "bomb.png", "jpeg.png", "fifo.png", "folder.png"}) {
        const KeptPicture::Read refused = KeptPicture::read(dir.file(QString::fromLatin1(name)));
        EXPECT_EQ(refused.status, KeptPicture::Status::unreadable) << name;
        EXPECT_TRUE(refused.png.isEmpty() && refused.image.isNull()) << name;
        EXPECT_FALSE(refused.error.isEmpty()) << name;
    }
    if (::geteuid() == 0) {
        // Another user's file: only root can make one here.
        ASSERT_EQ(::chown(QFile::encodeName(dir.file(QStringLiteral("ok.png"))).constData(), 4242, 4242), 0);
        EXPECT_EQ(KeptPicture::read(dir.file(QStringLiteral("ok.png"))).status, KeptPicture::Status::unreadable);
    }
}

TEST(KeptPictureTest, WhatCannotBeReadIsSetAsideBesideItWithoutOpeningIt) {
    testsupport::TempFolder dir;
    ASSERT_TRUE(dir.write(QStringLiteral("secret.txt"), "secret"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("secret.txt")), dir.file(QStringLiteral("a.png"))));
    const QString aside = KeptPicture::setAside(dir.file(QStringLiteral("a.png")));
    ASSERT_FALSE(aside.isEmpty());
    EXPECT_EQ(QFileInfo(aside).path(), KeptPicture::asideFolder(dir.file(QStringLiteral("a.png"))));
    EXPECT_TRUE(QFileInfo(aside).isSymLink()) << "the link itself moves";
    EXPECT_FALSE(QFileInfo(dir.file(QStringLiteral("a.png"))).isSymLink());
    EXPECT_EQ(dir.read(QStringLiteral("secret.txt")), QByteArray("secret"));
    // The folder is private, and a second file of the same name does not replace the first.
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(aside).path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_TRUE(dir.write(QStringLiteral("a.png"), "x"));
    const QString second = KeptPicture::setAside(dir.file(QStringLiteral("a.png")));
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(second, aside);
    EXPECT_TRUE(QFileInfo(aside).isSymLink());
    EXPECT_EQ(KeptPicture::setAside(dir.file(QStringLiteral("gone.png"))), QString());
}
