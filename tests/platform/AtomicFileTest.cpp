#include "platform/AtomicFile.h"

#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

// A disk that fills up midway through a replacement: the old document stays whole, the failure is
// reported with the system's reason and no temporary file is left behind.
TEST(AtomicFileTest, AWriteThatComesUpShortKeepsTheOldFile) {
    testsupport::TempFolder folder;
    ASSERT_TRUE(platform::writeFileAtomically(folder.file(QStringLiteral("doc")), "old"));
    QString error;
    {
        testsupport::FileSizeLimit diskFillsUp(100);
        EXPECT_FALSE(platform::writeFileAtomically(folder.file(QStringLiteral("doc")), QByteArray(650, 'x'), &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(folder.read(QStringLiteral("doc")), QByteArray("old"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("doc")});
}
