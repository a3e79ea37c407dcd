#pragma once

#include <QSet>
#include <QString>

// The C allocator of a process that stays resident all day and now and then handles pictures of tens
// of megabytes on many threads. Left alone, glibc keeps up to eight arenas per core, raises its mmap
// threshold after the first large block is freed (so later pictures come from arenas it never hands
// back) and keeps every freed page: hundreds of megabytes after a few captures.
namespace platform::Memory {

// Two arenas, and blocks from 256 KiB up (a picture's pixels) mapped on their own and unmapped when
// freed. Call first thing in main, before any thread starts.
void configureForResidentProcess();

// Hands the allocator's free pages back to the system now, on the calling thread. Any thread.
void trim();

// Hands the allocator's free pages back to the system, a moment after the last call (so a burst of
// work is trimmed once) and on a worker thread, with the pages of the files the modules brought and
// of those named to releaseWithEveryTrim. Main thread only; does nothing without an event loop.
void releaseFreeMemorySoon();

// The files mapped into the process now (libraries, fonts, data), by path. Any thread.
QSet<QString> mappedFiles();

// How far the pages of a released file go.
enum class Release {
    fromProcess,   // out of this process only: read again from the page cache, at no cost
    fromPageCache, // also out of the page cache where only this process maps them: read again from disk
};

// Hands the resident pages of the mappings of `files` back to the system: for the libraries a module
// brought that stay loaded after it, once it is idle. They are read again when next used. Of a loaded
// library, every page it never writes leaves this process, also those another process maps too; with
// `Release::fromPageCache`, pages only this process maps leave the page cache as well, for libraries
// only workers use again (the GUI thread must never wait for the disk). Any thread.
void releaseFilePages(const QSet<QString> &files, Release release);

// Libraries the GUI thread uses now and then (the date formats' and the command socket's): every trim
// hands their pages back too, out of the process only. Any thread.
void releaseWithEveryTrim(const QSet<QString> &files);

} // namespace platform::Memory
