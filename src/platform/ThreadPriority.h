#pragma once

namespace platform {

// Lowers the calling thread's scheduling priority (a nice value of 10), so that background work such
// as size estimates yields to the work the user waits for. Only ever lowers; a failure changes
// nothing. Qt's thread priorities have no effect under the normal Linux scheduler.
void lowerCurrentThreadPriority();

// Makes every thread of Qt's global thread pool now, from the calling thread, and keeps them for the
// life of the process; main calls it once, before any work starts. A thread is born with the nice
// value of the thread that starts it, and Qt starts pool threads on demand from whoever hands work
// in: one made while a lowered thread scaled an image would run everything the pool takes later at
// background priority, Qt's own image work for the GUI thread (which waits for it) included, and on
// a busy machine the interface would stall behind it.
void makeSharedThreadsAtNormalPriority();

} // namespace platform
