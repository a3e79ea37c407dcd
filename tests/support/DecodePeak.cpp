// Decodes picture files through platform::ImageFile, whole and as thumbnails, and prints the peak of
// memory the process asked for meanwhile, in bytes: every allocation request counts at once, granted
// or not, so a file that only asks for gigabytes is caught as surely as one that gets them.
//
//     pelicarta_decode_peak FILE...     prints "<file> <decoded|refused> <peak bytes>" per file
//
// Sanitizer builds have their own allocator: there the figure is -1.

#include "platform/ImageFile.h"

#include <QCoreApplication>
#include <QStringList>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define PELICARTA_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELICARTA_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef PELICARTA_COUNTS_ALLOCATIONS
#define PELICARTA_COUNTS_ALLOCATIONS 1
#endif

#if PELICARTA_COUNTS_ALLOCATIONS
#include <malloc.h>
#include <sys/resource.h>

extern "C" {
void *__libc_malloc(size_t size);
void __libc_free(void *pointer);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *pointer, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
}

namespace {

std::atomic<long long> current{0};
std::atomic<long long> peak{0};

void raisePeak(long long value) {
    long long seen = peak.load();
    while (value > seen && !peak.compare_exchange_weak(seen, value)) {}
}

// A request counts before it is granted: a refused one still shows what the reader asked for.
void requested(size_t size) { raisePeak(current.load() + static_cast<long long>(size)); }

void *granted(void *pointer) {
    if (pointer) raisePeak(current += static_cast<long long>(malloc_usable_size(pointer)));
    return pointer;
}

void released(void *pointer) {
    if (pointer) current -= static_cast<long long>(malloc_usable_size(pointer));
}

} // namespace

extern "C" {
void *malloc(size_t size) {
    requested(size);
    return granted(__libc_malloc(size));
}
void free(void *pointer) {
    released(pointer);
    __libc_free(pointer);
}
void *calloc(size_t count, size_t size) {
    if (size && count > static_cast<size_t>(-1) / size) return nullptr;
    requested(count * size);
    return granted(__libc_calloc(count, size));
}
void *realloc(void *pointer, size_t size) {
    requested(size);
    const long long before = pointer ? static_cast<long long>(malloc_usable_size(pointer)) : 0;
    void *moved = __libc_realloc(pointer, size);
    if (moved) {
        current -= before;
        granted(moved);
    } else if (size == 0) {
        current -= before;
    }
    return moved;
}
void *memalign(size_t alignment, size_t size) {
    requested(size);
    return granted(__libc_memalign(alignment, size));
}
void *aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void **out, size_t alignment, size_t size) {
    void *pointer = memalign(alignment, size);
    if (!pointer && size) return 12; // ENOMEM
    *out = pointer;
    return 0;
}
void *valloc(size_t size) { return memalign(4096, size); }
void *pvalloc(size_t size) { return memalign(4096, (size + 4095) & ~size_t(4095)); }
}
#endif

int main(int argc, char **argv) {
#if PELICARTA_COUNTS_ALLOCATIONS
    // A reader that does get what it asks for must not take the machine down with it.
    const rlimit space{rlim_t(3) << 30, rlim_t(3) << 30};
    setrlimit(RLIMIT_AS, &space);
#endif
    QCoreApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    for (const QString &file : files) {
#if PELICARTA_COUNTS_ALLOCATIONS
        peak = current.load();
        const long long base = current.load();
#endif
        const bool whole = !platform::ImageFile::read(file).isNull();
        const bool thumbnail = !platform::ImageFile::readThumbnail(file, QSize(232, 160)).isNull();
#if PELICARTA_COUNTS_ALLOCATIONS
        const long long figure = peak.load() - base;
#else
        const long long figure = -1;
#endif
        std::printf("%s %s %lld\n", qPrintable(file),
                    whole && thumbnail   ? "decoded"
                    : whole || thumbnail ? "partly"
                                         : "refused",
                    figure);
        std::fflush(stdout);
    }
    return 0;
}
