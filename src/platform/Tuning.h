#pragma once

// The measures the process takes on itself to answer sooner and hold less, and one switch that turns
// them off, so that a change in latency or memory can be bisected to one of them or to the rest of the
// program. What the program does is otherwise the same. DEVELOPERS.md lists each measure with what it
// was measured to save.
//
// PELICARTA_NO_TUNING=1 (or "all") in the environment turns every one off; a list of their names
// ("nice,trim") only those.
namespace platform::Tuning {

enum class Measure {
    nice,      // "nice": workers lowered below the GUI thread
    arenas,    // "arenas": two glibc arenas and large blocks mapped on their own
    trim,      // "trim": the allocator's free pages handed back after a burst of work
    pages,     // "pages": libraries' pages handed back once their work is over
    engine,    // "engine": the text engine started ahead for a window that may soon read
    firstPage, // "firstpage": the process's first editor page drawn once off the screen
};

// False when PELICARTA_NO_TUNING turns `measure` off. Read at every call (the measures ask rarely),
// so a test may set it. Any thread.
bool enabled(Measure measure);

} // namespace platform::Tuning
