#include "platform/Memory.h"

#include "platform/Module.h"
#include "platform/Tuning.h"

#include <QCoreApplication>
#include <QFile>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <mutex>

#include <elf.h>
#include <link.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

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

// The mappings of the files whose pages go.
struct Released {
    QList<FileMapping> mappings;
    quintptr page = 4096;
};

bool hasTextRelocations(const dl_phdr_info *info) {
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type != PT_DYNAMIC) continue;
        for (auto *d = reinterpret_cast<const ElfW(Dyn) *>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
             d->d_tag != DT_NULL; ++d)
            if (d->d_tag == DT_TEXTREL || (d->d_tag == DT_FLAGS && (d->d_un.d_val & DF_TEXTREL))) return true;
    }
    return false;
}

// Called for each loaded object with the loader's lock held, so none is unmapped meanwhile. A segment
// the object cannot write (its code, its constant data) holds nothing but the file's bytes: dropped,
// its pages are read again from the file. Pages other processes map too go from this process as well,
// which paging out leaves alone (as it does any page of a file the user may not write).
int dropReadOnlySegments(dl_phdr_info *info, size_t, void *data) {
    const auto *release = static_cast<const Released *>(data);
    if (hasTextRelocations(info)) return 0;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr) &segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W)) continue;
        const quintptr at = info->dlpi_addr + segment.p_vaddr;
        const auto mapping = std::find_if(release->mappings.cbegin(), release->mappings.cend(),
                                          [at](const FileMapping &m) { return at >= m.start && at < m.end; });
        if (mapping == release->mappings.cend()) continue;
        // Whole pages only: a page shared with a writable neighbour keeps its data.
        const quintptr start = (at + release->page - 1) & ~(release->page - 1);
        const quintptr end = (at + segment.p_memsz) & ~(release->page - 1);
        if (end > start) madvise(reinterpret_cast<void *>(start), end - start, MADV_DONTNEED);
    }
    return 0;
}

// Never destroyed: the trim's worker and the modules' own threads may reach it to the very end.
struct Occasional {
    std::mutex mutex;
    QSet<QString> files;
};
Occasional &occasional() {
    static auto *files = new Occasional;
    return *files;
}

} // namespace

QSet<QString> mappedFiles() {
    QSet<QString> files;
    for (const FileMapping &m : fileMappings()) files.insert(m.path);
    return files;
}

void releaseFilePages(const QSet<QString> &files, Release how) {
    if (files.isEmpty() || !Tuning::enabled(Tuning::Measure::pages)) return;
    Released release;
    release.page = quintptr(sysconf(_SC_PAGESIZE));
    for (const FileMapping &m : fileMappings())
        if (files.contains(m.path)) release.mappings.append(m);
#ifdef MADV_PAGEOUT
    // Pages only this process maps leave the page cache too (refused by kernels before 5.4, and for
    // files the user may not write: nothing is lost, they just stay cached). Writable mappings hold the
    // library's own data, which would only go to swap.
    if (how == Release::fromPageCache)
        for (const FileMapping &m : std::as_const(release.mappings))
            if (!m.writable) madvise(reinterpret_cast<void *>(m.start), m.end - m.start, MADV_PAGEOUT);
#else
    Q_UNUSED(how);
#endif
    if (!release.mappings.isEmpty()) dl_iterate_phdr(dropReadOnlySegments, &release);
}

void releaseWithEveryTrim(const QSet<QString> &files) {
    Occasional &all = occasional();
    std::lock_guard lock(all.mutex);
    all.files.unite(files);
}

void configureForResidentProcess() {
#ifdef __GLIBC__
    if (!Tuning::enabled(Tuning::Measure::arenas)) return;
    mallopt(M_ARENA_MAX, kArenas);
    // A fixed threshold also turns off glibc's raising of it.
    mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
#endif
}

void trim() {
#ifdef __GLIBC__
    if (Tuning::enabled(Tuning::Measure::trim)) malloc_trim(0);
#endif
}

void releaseFreeMemorySoon() {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || (!Tuning::enabled(Tuning::Measure::trim) && !Tuning::enabled(Tuning::Measure::pages))) return;
    static QTimer *timer = [app] {
        auto *created = new QTimer(app);
        created->setSingleShot(true);
        created->setInterval(kTrimAfterMs);
#ifdef __GLIBC__
        // The code of the modules (the HEIC encoder and its codecs above all) is needed again only at the
        // next picture, on a worker: its pages go too, from the page cache as well where only this
        // process maps them.
        QObject::connect(created, &QTimer::timeout, [] {
            QThreadPool::globalInstance()->start([] {
                trim();
                QSet<QString> interfaces;
                {
                    Occasional &all = occasional();
                    std::lock_guard lock(all.mutex);
                    interfaces = all.files;
                }
                const QSet<QString> modules = Module::filesBrought() - interfaces;
                releaseFilePages(modules, Release::fromPageCache);
                releaseFilePages(interfaces, Release::fromProcess);
            });
        });
#endif
        return created;
    }();
    timer->start();
}

} // namespace platform::Memory
