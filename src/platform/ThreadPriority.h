#pragma once

namespace platform {

// Lowers the calling thread's scheduling priority (a nice value of 10), so that background work such
// as size estimates yields to the work the user waits for. Only ever lowers; a failure changes
// nothing. Qt's thread priorities have no effect under the normal Linux scheduler.
void lowerCurrentThreadPriority();

} // namespace platform
