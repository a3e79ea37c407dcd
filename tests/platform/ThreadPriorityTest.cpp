#include "platform/ThreadPriority.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

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

namespace {

// The thread's slice as the kernel reports it (Linux 6.6 on), or -1.
long long sliceOfThisThread() {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%ld/sched", static_cast<long>(syscall(SYS_gettid)));
    std::ifstream sched(path);
    for (std::string line; std::getline(sched, line);)
        if (line.rfind("se.slice", 0) == 0) return std::stoll(line.substr(line.find(':') + 1));
    return -1;
}

} // namespace

// Favouring a thread keeps its nice value (a lowered one stays lowered) and stays with that thread:
// the threads it starts later get the usual slice.
TEST(ThreadPriorityTest, AFavouredThreadKeepsItsNiceValueAndItsThreadsTheUsualSlice) {
    const EveryMeasureOn tuned;
    std::thread([] {
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), platform::backgroundNice);
        const int lowered = niceOfThisThread();
        const long long usual = sliceOfThisThread();
        platform::favourForLatency("no such thread");
        EXPECT_EQ(niceOfThisThread(), lowered);
        if (usual < 0) GTEST_SKIP() << "this kernel does not report slices";
        long long started = -1;
        std::thread([&] { started = sliceOfThisThread(); }).join();
        EXPECT_EQ(started, usual);
        // Where the kernel takes a slice asked for (6.12 on), this thread has a shorter one.
        EXPECT_LE(sliceOfThisThread(), usual);
    }).join();
}

// Work lowered below the interface takes shorter turns on a processor it shares, where the kernel
// takes a slice asked for (6.12 on), and the threads it starts (x265's pool) do as well.
TEST(ThreadPriorityTest, LoweredWorkTakesShortTurnsAndPassesThemOn) {
    const EveryMeasureOn tuned;
    std::thread([] {
        const long long usual = sliceOfThisThread();
        platform::lowerCurrentThreadToBulkPriority();
        EXPECT_GE(niceOfThisThread(), platform::bulkNice);
        if (usual < 0) GTEST_SKIP() << "this kernel does not report slices";
        const long long own = sliceOfThisThread();
        utsname system{};
        uname(&system);
        int major = 0, minor = 0;
        std::sscanf(system.release, "%d.%d", &major, &minor);
        if (major > 6 || (major == 6 && minor >= 12)) EXPECT_LT(own, usual);
        else EXPECT_EQ(own, usual);
        long long started = -1;
        std::thread([&] { started = sliceOfThisThread(); }).join();
        EXPECT_EQ(started, own);
    }).join();
}

// PELICARTA_NO_TUNING, set to bisect a regression, leaves a thread the nice value and the slice it was
// born with whether it is lowered for bulk work, for background work or favoured; naming one measure
// turns only that one off.
TEST(ThreadPriorityTest, TurningTuningOffLeavesThreadsTheirNiceValueAndSlice) {
    const auto tuned = [](const char *off) {
        const testsupport::ScopedEnvironment tuning("PELICARTA_NO_TUNING", QString::fromLatin1(off));
        std::pair<bool, bool> kept;
        std::thread([&] {
            const int nice = niceOfThisThread();
            const long long slice = sliceOfThisThread();
            platform::lowerCurrentThreadToBulkPriority();
            platform::lowerCurrentThreadPriority();
            platform::keepTurnsShort();
            platform::favourForLatency("no such thread");
            kept = {niceOfThisThread() == nice, sliceOfThisThread() == slice};
        }).join();
        return kept;
    };
    EXPECT_EQ(tuned("1"), std::make_pair(true, true));
    EXPECT_EQ(tuned("all"), std::make_pair(true, true));
    // A process niced already has nothing lower to go to.
    EXPECT_EQ(tuned("slices").first, niceOfThisThread() >= platform::backgroundNice);
    EXPECT_TRUE(tuned("slices").second);
    EXPECT_TRUE(tuned(" Slices , nice ").first);
}
