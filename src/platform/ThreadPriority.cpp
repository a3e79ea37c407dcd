#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

void lowerCurrentThreadPriority() {
    constexpr int background = 10;
    // On Linux the nice value belongs to the thread named by its id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && current < background) setpriority(PRIO_PROCESS, thread, background);
}

} // namespace platform
