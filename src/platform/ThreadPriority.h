#pragma once

#include <QtConcurrent/QtConcurrentRun>

#include <functional>

class QThreadPool;

namespace platform {

// Nice values (on Linux a thread's own; higher runs later). The GUI thread and the shared pool stay at
// the process's own value. Threads only ever go down: an unprivileged process cannot raise one again.
inline constexpr int bulkNice = 5;        // work the user may wait for: encoders over every core, renders
inline constexpr int backgroundNice = 10; // work nobody waits for: size estimates, text read in the background

// Lowers the calling thread's scheduling priority to `backgroundNice`, so that background work such as
// size estimates yields to the work the user waits for. Only ever lowers; a failure changes nothing.
// Qt's thread priorities have no effect under the normal Linux scheduler.
void lowerCurrentThreadPriority();

// Lowers the calling thread to `bulkNice`: below the GUI thread, so that the interface never waits
// for a processor behind work spread over every core (a picture's strips, x265's threads), and above
// background work. On a thread of a pool of its own only; see makeSharedThreadsAtNormalPriority.
void lowerCurrentThreadToBulkPriority();

// Runs `work` on `count` threads of `pool` at once, each lowered to `bulkNice` first, and returns once
// every one has finished, rethrowing what one threw. The pool must take bulk work only: its threads
// stay lowered. The calling thread only waits, so that it keeps its own priority; it keeps its place
// in its own pool meanwhile, so `work` must need no other pool's thread: plain computation (a
// picture's strips), never Qt's image routines on large pictures, which wait for the shared pool's
// threads. Any thread.
void runAtBulkPriority(QThreadPool &pool, int count, const std::function<void()> &work);

// The same once, on a thread of a pool kept for it: every thread the work starts is born at bulk
// priority too (x265 makes its pool on the thread that opens the encoder). The work may do anything:
// a thread of the shared pool gives its place up while it waits, and on a thread of that bulk pool
// the work runs at once, where it is (waiting for another would hold a place that one may need).
void runAtBulkPriority(const std::function<void()> &work);

// The pool of the previous function; see startAtBulkPriority.
QThreadPool &bulkThreads();

// Starts `work` on a thread of the bulk pool, lowered first, and returns its future at once: for
// work the caller need not wait for, which then holds no other pool's thread meanwhile.
template <typename Work>
auto startAtBulkPriority(Work work) {
    return QtConcurrent::run(&bulkThreads(), [work = std::move(work)]() mutable {
        lowerCurrentThreadToBulkPriority();
        return work();
    });
}

// Makes every thread of Qt's global thread pool now, from the calling thread, and keeps them for the
// life of the process; main calls it once, before any work starts. A thread is born with the nice
// value of the thread that starts it, and Qt starts pool threads on demand from whoever hands work
// in: one made while a lowered thread scaled an image would run everything the pool takes later at
// background priority, Qt's own image work for the GUI thread (which waits for it) included, and on
// a busy machine the interface would stall behind it. Threads the pool had before the call are let
// go first, after the work they have.
void makeSharedThreadsAtNormalPriority();

} // namespace platform
