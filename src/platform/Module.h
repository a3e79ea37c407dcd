#pragma once

#include <QSet>
#include <QString>

class QLibrary;

// Parts of the platform built as modules of their own and loaded on first use, so that the libraries
// they need (Tesseract, poppler and theirs) are neither linked at every launch nor held in memory by
// a resident process that never uses them.
namespace platform::Module {

// The address of `symbol` in the module `name` (as in pelicarta_<name>), looked for beside the program,
// then where the build put it; null when the module cannot be loaded (the reason goes to the log). A
// loaded module stays loaded. Any thread.
void *resolve(const char *name, const char *symbol);

// As above, loading the module through `library`, whose unload() later lets it go again.
void *resolve(const char *name, const char *symbol, QLibrary &library);

// The files (libraries and theirs) that loading modules has mapped into the process so far: used only
// now and then, their pages can go back to the system between uses. Any thread.
QSet<QString> filesBrought();

} // namespace platform::Module
