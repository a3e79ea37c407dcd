#include "platform/ThreadPriority.h"

#include "platform/Tuning.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <memory>
#include <mutex>

namespace platform {

namespace {

pid_t currentThread() { return static_cast<pid_t>(syscall(SYS_gettid)); }

void lowerCurrentThreadTo(int nice) {
    // On Linux the nice value belongs to the thread named by its id.
    const auto thread = static_cast<id_t>(currentThread());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && current < nice && Tuning::enabled(Tuning::Measure::nice)) setpriority(PRIO_PROCESS, thread, nice);
}

// Threads that run at bulk priority and nothing else, gone a moment after their last work.
QThreadPool &bulkPool() {
    static QThreadPool *threads = [] {
        auto *created = new QThreadPool;
        created->setExpiryTimeout(2000);
        created->setObjectName(QStringLiteral("Bulk"));
        return created;
    }();
    return *threads;
}

} // namespace

void lowerCurrentThreadPriority() { lowerCurrentThreadTo(backgroundNice); }

void lowerCurrentThreadToBulkPriority() { lowerCurrentThreadTo(bulkNice); }

namespace {

// Hands `work` to `count` threads of `pool`, each lowered first, and waits for them. A thread of the
// shared pool gives its place up meanwhile when `givePlace`: work that may use Qt's image routines
// (which share a large picture among that pool's threads and wait for them) would otherwise find
// every place held by a thread waiting for it, and nothing would run again. The pool makes another
// thread for the place when none is idle; it is started here, by a thread at normal priority, so that
// it is not born lowered from the work's own thread.
void runLowered(QThreadPool &pool, int count, const std::function<void()> &work, bool givePlace) {
    // Shared: a worker may still be inside release() when this thread wakes and returns.
    const auto finished = std::make_shared<QSemaphore>();
    std::mutex mutex;
    std::exception_ptr failure;
    for (int i = 0; i < count; ++i)
        pool.start([&work, &mutex, &failure, finished] {
            lowerCurrentThreadToBulkPriority();
            try {
                work();
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure) failure = std::current_exception();
            }
            finished->release();
        });
    QThreadPool *shared = QThreadPool::globalInstance();
    if (givePlace && shared->contains(QThread::currentThread())) {
        shared->releaseThread();
        shared->start([] {});
        finished->acquire(count);
        shared->reserveThread();
    } else {
        finished->acquire(count);
    }
    if (failure) std::rethrow_exception(failure);
}

} // namespace

void runAtBulkPriority(QThreadPool &pool, int count, const std::function<void()> &work) {
    runLowered(pool, count, work, false);
}

void runAtBulkPriority(const std::function<void()> &work) {
    // Already there: a bulk thread waiting for another would hold a place that one may need.
    if (bulkPool().contains(QThread::currentThread())) return work();
    runLowered(bulkPool(), 1, work, true);
}

QThreadPool &bulkThreads() { return bulkPool(); }

void makeSharedThreadsAtNormalPriority() {
    QThreadPool *pool = QThreadPool::globalInstance();
    // Threads the pool already has may have been born lowered: they go first (none has work yet).
    pool->waitForDone();
    pool->setExpiryTimeout(-1);
    const int count = pool->maxThreadCount();
    // The pool makes a thread inside start() when none is idle, so the calling thread is its parent
    // whether or not the thread has begun to run; nothing here waits for them. Each task holds its
    // thread until every task has been handed out, so that none is reused and each thread is a new
    // one. Shared: a task may begin only after this has returned.
    const auto go = std::make_shared<QSemaphore>();
    for (int i = 0; i < count; ++i)
        pool->start([go] { go->acquire(); });
    go->release(count);
}

} // namespace platform
