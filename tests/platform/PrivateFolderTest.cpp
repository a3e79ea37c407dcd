#include "platform/PrivateFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using platform::PrivateFolder::Problem;
namespace PrivateFolder = platform::PrivateFolder;

TEST(PrivateFolderTest, AFolderOfAnotherUserIsNeitherUsedNorChanged) {
    if (!testsupport::runsAsRoot()) GTEST_SKIP() << "needs root to hand a folder to another user";
    testsupport::TempFolder dir;
    // Another user made the guessable name first, open to everyone.
    const QString theirs = dir.file(QStringLiteral("pelicarta-1000"));
    ASSERT_TRUE(QDir().mkpath(theirs));
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    ::chmod(QFile::encodeName(theirs).constData(), 0777);
    EXPECT_EQ(PrivateFolder::ensure(theirs), Problem::notOurs);
    EXPECT_EQ(PrivateFolder::check(theirs), Problem::notOurs);
    EXPECT_EQ(QFileInfo(theirs).ownerId(), 65534u);
    EXPECT_TRUE(QFileInfo(theirs).permissions() & QFileDevice::WriteOther);
    ASSERT_TRUE(QFile(theirs + QStringLiteral("/x.png")).open(QIODevice::WriteOnly));
    EXPECT_FALSE(PrivateFolder::removeFile(theirs, QStringLiteral("x.png")));
}

TEST(PrivateFolderTest, RemovesOnlyRegularFilesDirectlyInside) {
    testsupport::TempFolder dir;
    const QString folder = dir.file(QStringLiteral("Recentes"));
    ASSERT_EQ(PrivateFolder::ensure(folder), Problem::none);
    ASSERT_TRUE(dir.write(QStringLiteral("outside.png"), "theirs"));
    ASSERT_TRUE(dir.write(QStringLiteral("Recentes/mine.png"), "ours"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("outside.png")), folder + QStringLiteral("/link.png")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));

    EXPECT_FALSE(PrivateFolder::removeFile(folder, QStringLiteral("link.png")));
    EXPECT_FALSE(PrivateFolder::removeFile(folder, QStringLiteral("sub")));
    EXPECT_FALSE(PrivateFolder::removeFile(folder, QStringLiteral("../outside.png")));
    EXPECT_TRUE(PrivateFolder::removeFile(folder, QStringLiteral("mine.png")));
    EXPECT_EQ(dir.read(QStringLiteral("outside.png")), QByteArray("theirs"));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/link.png")).isSymLink());

    // Through a link to the folder, nothing is removed.
    ASSERT_TRUE(dir.write(QStringLiteral("Recentes/again.png"), "ours"));
    ASSERT_TRUE(QFile::link(folder, dir.file(QStringLiteral("linked"))));
    EXPECT_EQ(PrivateFolder::check(dir.file(QStringLiteral("linked"))), Problem::link);
    EXPECT_FALSE(PrivateFolder::removeFile(dir.file(QStringLiteral("linked")), QStringLiteral("again.png")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/again.png")));
}
