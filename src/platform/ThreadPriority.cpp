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
    // The pool makes a thread inside start() when none is idle, so the calling thread is its parent
    // whether or not the thread has begun to run; nothing here waits for them. Each task holds its
    // thread until every task has been handed out, so that none is reused and each thread is a new
    // one. Shared: a task may begin only after this has returned.
    const auto go = std::make_shared<QSemaphore>();
    for (int i = 0; i < count; ++i) pool->start([go] { go->acquire(); });
    go->release(count);
}

} // namespace platform
