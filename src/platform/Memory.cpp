#include "platform/Memory.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <malloc.h>

namespace platform::Memory {

namespace {

constexpr int kArenas = 2;
constexpr int kMappedFromBytes = 256 * 1024;
constexpr int kTrimAfterMs = 1000;

} // namespace

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
        QObject::connect(created, &QTimer::timeout, [] { QThreadPool::globalInstance()->start([] { malloc_trim(0); }); });
#endif
        return created;
    }();
    timer->start();
}

} // namespace platform::Memory
