#include "platform/ThreadPriority.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

int niceOfThisThread() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }

// The nice values of the global pool's threads: one task on each, held until every task has one.
std::set<int> globalPoolNiceValues() {
    QThreadPool *pool = QThreadPool::globalInstance();
    const int count = pool->maxThreadCount();
    QSemaphore started, go, finished;
    QMutex mutex;
    std::set<int> values;
    for (int i = 0; i < count; ++i)
        pool->start([&] {
            {
                QMutexLocker lock(&mutex);
                values.insert(niceOfThisThread());
            }
            started.release();
            go.acquire();
            finished.release();
        });
    started.acquire(count);
    go.release(count);
    finished.acquire(count);
    return values;
}

} // namespace

// Background work that lowered its thread and then used Qt's image functions (which share large
// images among the global pool's threads) must not leave that pool running the GUI thread's image
// work, the capture files and the clipboard's copy at background priority.
TEST(ThreadPriorityTest, ALoweredThreadsImageWorkLeavesTheSharedPoolAtNormalPriority) {
    platform::makeSharedThreadsAtNormalPriority();
    const int normal = niceOfThisThread();
    std::thread background([] {
        platform::lowerCurrentThreadPriority();
        QImage large(3000, 2000, QImage::Format_ARGB32_Premultiplied);
        large.fill(Qt::red);
        EXPECT_EQ(large.scaled(1500, 1000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).width(), 1500);
    });
    background.join();
    EXPECT_EQ(globalPoolNiceValues(), std::set<int>{normal});
}

// Bulk work (a picture's strips, x265's threads) runs below the thread that hands it in, and so does
// every thread it starts, while that thread keeps its priority; a failure reaches the caller.
TEST(ThreadPriorityTest, BulkWorkAndTheThreadsItStartsRunBelowTheCaller) {
    const int normal = niceOfThisThread();
    const int expected = std::max(normal, platform::bulkNice);
    QThreadPool pool;
    QMutex mutex;
    std::set<int> values;
    const auto note = [&] {
        QMutexLocker lock(&mutex);
        values.insert(niceOfThisThread());
    };
    platform::runAtBulkPriority(pool, 3, note);
    platform::runAtBulkPriority([&] {
        note();
        std::thread started(note);
        started.join();
    });
    EXPECT_EQ(values, std::set<int>{expected});
    EXPECT_EQ(niceOfThisThread(), normal);
    EXPECT_THROW(platform::runAtBulkPriority([] { throw std::runtime_error("no memory"); }), std::runtime_error);
}
