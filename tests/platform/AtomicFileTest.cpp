#include "platform/AtomicFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

TEST(AtomicFileTest, AWriteCutShortLeavesTheOldFileWhole) {
    // Under a file-size limit (as on a full disk) the write fails part-way; the document it replaces
    // must stay as it was, and the failure must be reported.
    testsupport::TempFolder dir;
    ASSERT_TRUE(dir.write(QStringLiteral("doc.json"), "old content"));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = platform::writeFileAtomically(dir.file(QStringLiteral("doc.json")), QByteArray(8 * 1024, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("doc.json")), QByteArray("old content"));
}
