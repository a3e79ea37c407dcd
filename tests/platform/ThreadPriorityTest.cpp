#include "platform/ThreadPriority.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

int niceOfThisThread() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }

// The test programs leave their workers at normal priority (see TestMain); these tests are about the
// lowering, so they turn every measure back on while they run.
struct EveryMeasureOn {
    testsupport::ScopedEnvironment tuning{"PELICARTA_NO_TUNING", QString()};
};

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
    const EveryMeasureOn tuned;
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
    const EveryMeasureOn tuned;
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

// Work lowered from a thread of the shared pool may itself use Qt's image routines, which share a large
// picture among that pool's threads and wait for them, and may lower work again: with one thread in
// each pool (a one-processor machine) it still finishes, and so do the shared pool's other tasks.
TEST(ThreadPriorityTest, LoweredImageWorkFinishesWithOneThreadInEveryPool) {
    const EveryMeasureOn tuned;
    QThreadPool *shared = QThreadPool::globalInstance();
    QThreadPool &bulk = platform::bulkThreads();
    const int sharedThreads = shared->maxThreadCount();
    const int bulkThreads = bulk.maxThreadCount();
    shared->setMaxThreadCount(1);
    bulk.setMaxThreadCount(1);
    QSemaphore finished;
    std::atomic<int> scaledWidths{0};
    const auto scale = [&] {
        QImage large(2400, 1600, QImage::Format_ARGB32_Premultiplied);
        large.fill(Qt::darkCyan);
        scaledWidths += large.scaled(1200, 800, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).width();
    };
    for (int i = 0; i < 2; ++i)
        shared->start([&] {
            platform::runAtBulkPriority([&] {
                scale();
                platform::runAtBulkPriority(scale);
                // Work that started the lowered work waits for it too (a capture's plate).
                platform::startAtBulkPriority(scale).waitForFinished();
            });
            finished.release();
        });
    // Only a guard against a hang, which cannot be undone: the process ends there.
    if (!finished.tryAcquire(2, 60'000)) {
        std::fprintf(stderr, "lowered image work never finished: the pools are deadlocked\n");
        std::_Exit(1);
    }
    EXPECT_EQ(scaledWidths.load(), 6 * 1200);
    shared->setMaxThreadCount(sharedThreads);
    bulk.setMaxThreadCount(bulkThreads);
}

// PELICARTA_NO_TUNING, set to bisect a regression, leaves a thread the nice value it was born with
// whether it is lowered for bulk work or for background work; naming another measure leaves the
// lowering on, and names are read without regard to case or spaces.
TEST(ThreadPriorityTest, TurningTuningOffLeavesThreadsTheirNiceValue) {
    const auto kept = [](const char *off) {
        const testsupport::ScopedEnvironment tuning("PELICARTA_NO_TUNING", QString::fromLatin1(off));
        bool same = false;
        std::thread([&] {
            const int nice = niceOfThisThread();
            platform::lowerCurrentThreadToBulkPriority();
            platform::lowerCurrentThreadPriority();
            same = niceOfThisThread() == nice;
        }).join();
        return same;
    };
    EXPECT_TRUE(kept("1"));
    EXPECT_TRUE(kept("all"));
    EXPECT_TRUE(kept(" Trim , NICE "));
    // A process niced already has nothing lower to go to.
    EXPECT_EQ(kept("trim"), niceOfThisThread() >= platform::backgroundNice);
}
