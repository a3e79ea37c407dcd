#include "platform/Memory.h"
#include "platform/HeifCodec.h"
#include "platform/Module.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

struct ReadOnlyMapping {
    quintptr start = 0;
    quintptr end = 0;
};

// The mappings of `files` that cannot be written, from /proc/<pid>/maps.
QList<ReadOnlyMapping> readOnlyMappings(const QSet<QString> &files, pid_t pid = getpid()) {
    QList<ReadOnlyMapping> found;
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly)) return found;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1].contains('w') || !files.contains(QString::fromLocal8Bit(fields[5])))
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        found.append({range[0].toULongLong(nullptr, 16), range[1].toULongLong(nullptr, 16)});
    }
    return found;
}

// Resident kB of those mappings that are the file's own pages (not copies the process wrote).
qint64 residentFilePagesKb(const QSet<QString> &files) {
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly)) return -1;
    qint64 kb = 0;
    bool counting = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[0].contains('-') && fields[1].size() == 4)
            counting = !fields[1].contains('w') && files.contains(QString::fromLocal8Bit(fields[5]));
        else if (counting && line.startsWith("Rss:")) kb += fields.value(1).toLongLong();
        else if (counting && line.startsWith("Anonymous:")) kb -= fields.value(1).toLongLong();
    }
    return kb;
}

// Reads other libraries' pages byte by byte, which the address sanitizer would take for overflows.
__attribute__((no_sanitize("address"))) void touch(const QList<ReadOnlyMapping> &mappings) {
    for (const ReadOnlyMapping &m : mappings)
        for (quintptr at = m.start; at < m.end; at += 4096) (void)*reinterpret_cast<const volatile char *>(at);
}

QImage picture() {
    QImage image(96, 64, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    return image;
}

// The share of those mappings' pages in the page cache, whether or not this process maps them now.
double cachedShare(const QList<ReadOnlyMapping> &mappings) {
    qint64 pages = 0, cached = 0;
    for (const ReadOnlyMapping &m : mappings) {
        std::vector<unsigned char> resident((m.end - m.start + 4095) / 4096);
        if (mincore(reinterpret_cast<void *>(m.start), m.end - m.start, resident.data()) != 0) continue;
        pages += qint64(resident.size());
        for (unsigned char page : resident) cached += page & 1;
    }
    return pages ? double(cached) / double(pages) : 0.0;
}

} // namespace

TEST(MemoryTest, TheModulesLibrariesLeaveTheProcessEvenWhileAnotherProcessMapsThemAndWorkOnAfterwards) {
    const std::optional<QByteArray> encoded = platform::HeifCodec::encode(picture(), 0.8);
    ASSERT_TRUE(encoded);
    const QSet<QString> files = platform::Module::filesBrought();
    ASSERT_FALSE(files.isEmpty());
    const QList<ReadOnlyMapping> mappings = readOnlyMappings(files);
    touch(mappings);

    // A second process (the text reader, say) maps the same pages: paging out would leave them all.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        touch(mappings);
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const qint64 before = residentFilePagesKb(files);
    ASSERT_GT(before, 2048) << "the codecs' libraries are megabytes";

    platform::Memory::releaseFilePages(files, platform::Memory::Release::fromPageCache);
    const qint64 after = residentFilePagesKb(files);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_LT(after, before / 10) << before << " kB before, " << after << " kB after";

    // Read back from the files, the libraries work as before.
    const std::optional<QImage> decoded = platform::HeifCodec::decode(*encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), picture().size());
    EXPECT_TRUE(platform::HeifCodec::encode(picture(), 0.8));
}

// The libraries the GUI thread uses now and then leave the process but stay in the page cache: using
// them again never waits for the disk.
TEST(MemoryTest, LibrariesReleasedFromTheProcessOnlyStayInThePageCache) {
    ASSERT_TRUE(platform::HeifCodec::encode(picture(), 0.8));
    const QSet<QString> files = platform::Module::filesBrought();
    const QList<ReadOnlyMapping> mappings = readOnlyMappings(files);
    touch(mappings);
    const qint64 before = residentFilePagesKb(files);
    ASSERT_GT(before, 2048);

    platform::Memory::releaseFilePages(files, platform::Memory::Release::fromProcess);
    EXPECT_LT(residentFilePagesKb(files), before / 10);
    EXPECT_GT(cachedShare(mappings), 0.9);
}

// With PELICARTA_NO_TUNING set, to bisect a regression, the libraries' pages stay where they are.
TEST(MemoryTest, WithTuningTurnedOffLibrariesKeepTheirPages) {
    ASSERT_TRUE(platform::HeifCodec::encode(picture(), 0.8));
    const QSet<QString> files = platform::Module::filesBrought();
    touch(readOnlyMappings(files));
    const qint64 before = residentFilePagesKb(files);
    ASSERT_GT(before, 2048);

    {
        const testsupport::ScopedEnvironment untuned("PELICARTA_NO_TUNING", QStringLiteral("1"));
        platform::Memory::releaseFilePages(files, platform::Memory::Release::fromPageCache);
    }
    EXPECT_GT(residentFilePagesKb(files), before * 9 / 10);
}
