#include "platform/ThreadPriority.h"

#include <QSemaphore>
#include <QThreadPool>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace platform {

void lowerCurrentThreadPriority() {
    constexpr int background = 10;
    // On Linux the nice value belongs to the thread named by its id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && current < background) setpriority(PRIO_PROCESS, thread, background);
}

void makeSharedThreadsAtNormalPriority() {
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    const int count = pool->maxThreadCount();
    // Each task holds its thread until every task has one, so that each thread is a new one. Shared,
    // in case a task starts only after this has stopped waiting.
    struct Gate {
        QSemaphore started, go;
    };
    const auto gate = std::make_shared<Gate>();
    for (int i = 0; i < count; ++i)
        pool->start([gate] {
            gate->started.release();
            gate->go.acquire();
        });
    gate->started.tryAcquire(count, 2000);
    gate->go.release(count);
}

} // namespace platform
