#include "platform/Memory.h"

#include "platform/Module.h"

#include <QCoreApplication>
#include <QFile>
#include <QThreadPool>
#include <QTimer>

#include <malloc.h>
#include <sys/mman.h>

namespace platform::Memory {

namespace {

constexpr int kArenas = 2;
constexpr int kMappedFromBytes = 256 * 1024;
constexpr int kTrimAfterMs = 1000;

// Each file mapping of the process: its range and path.
struct FileMapping {
    quintptr start = 0;
    quintptr end = 0;
    QString path;
    bool writable = false;
};

QList<FileMapping> fileMappings() {
    QList<FileMapping> mappings;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return mappings;
    // "start-end perms offset dev inode path", the path from the first "/".
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (slash < 0 || dash < 0 || space < dash) continue;
        bool ok = false, ok2 = false;
        const quintptr start = line.left(dash).toULongLong(&ok, 16);
        const quintptr end = line.mid(dash + 1, space - dash - 1).toULongLong(&ok2, 16);
        const bool writable = line.size() > space + 2 && line.at(space + 2) == 'w';
        if (ok && ok2 && end > start) mappings.append({start, end, QString::fromLocal8Bit(line.mid(slash)), writable});
    }
    return mappings;
}

} // namespace

QSet<QString> mappedFiles() {
    QSet<QString> files;
    for (const FileMapping &m : fileMappings()) files.insert(m.path);
    return files;
}

void releaseFilePages(const QSet<QString> &files) {
#ifdef MADV_PAGEOUT
    for (const FileMapping &m : fileMappings()) {
        // Refused by kernels before 5.4: nothing is lost, the pages just stay. Writable mappings hold
        // the library's own data, which would only go to swap.
        if (!m.writable && files.contains(m.path)) madvise(reinterpret_cast<void *>(m.start), m.end - m.start, MADV_PAGEOUT);
    }
#else
    (void)files;
#endif
}

void configureForResidentProcess() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, kArenas);
    // A fixed threshold also turns off glibc's raising of it.
    mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
#endif
}

void releaseFreeMemorySoon() {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) return;
    static QTimer *timer = [app] {
        auto *created = new QTimer(app);
        created->setSingleShot(true);
        created->setInterval(kTrimAfterMs);
#ifdef __GLIBC__
        // The code of the modules (the HEIC encoder and its codecs above all) is needed again only at the
        // next picture: its pages go too, read back from the page cache then.
        QObject::connect(created, &QTimer::timeout, [] {
            QThreadPool::globalInstance()->start([] {
                malloc_trim(0);
                releaseFilePages(Module::filesBrought());
            });
        });
#endif
        return created;
    }();
    timer->start();
}

} // namespace platform::Memory
