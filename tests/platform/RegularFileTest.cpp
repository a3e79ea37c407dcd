#include "platform/RegularFile.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::RegularFile::Status;
namespace RegularFile = platform::RegularFile;

TEST(RegularFileTest, OnlyRegularFilesWithinTheCapAreRead) {
    testsupport::TempFolder dir;
    ASSERT_TRUE(dir.write(QStringLiteral("small.json"), "{}"));
    const RegularFile::Read small = RegularFile::read(dir.file(QStringLiteral("small.json")), 16);
    EXPECT_EQ(small.status, Status::ok);
    EXPECT_EQ(small.bytes, QByteArray("{}"));
    EXPECT_EQ(RegularFile::read(dir.file(QStringLiteral("small.json")), 1).status, Status::tooLarge);
    EXPECT_EQ(RegularFile::read(dir.file(QStringLiteral("missing.json")), 16).status, Status::missing);
    // A link to a regular file is read; links to devices, FIFOs and folders are not, and none blocks.
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("small.json")), dir.file(QStringLiteral("link.json"))));
    EXPECT_EQ(RegularFile::read(dir.file(QStringLiteral("link.json")), 16).status, Status::ok);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(QStringLiteral("zero.json"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file(QStringLiteral("fifo.json"))).constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    for (const char *name : {"zero.json", "fifo.json", "."})
        EXPECT_EQ(RegularFile::read(dir.file(QLatin1String(name)), 1 << 20).status, Status::notRegular) << name;
    EXPECT_LT(clock.elapsed(), testsupport::patienceMs); // a read waiting for a FIFO's writer would never end
}
