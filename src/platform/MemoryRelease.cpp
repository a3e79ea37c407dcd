#include "platform/MemoryRelease.h"

#include <malloc.h>

namespace platform {

void returnLargeBlocksAtOnce() {
#ifdef __GLIBC__
    // Setting the threshold fixes it: the C library no longer moves it upwards.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

} // namespace platform
