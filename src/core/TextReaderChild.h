#pragma once

#include <QStringList>

// The reader process's side: the program started with "--read-text" reads the text of the picture
// files its parent names on standard input and answers on standard output (TextReaderFrames), with
// the same recognition the program runs in its own process for background work. It holds the text
// engine, so all the memory reading takes goes back to the system when it exits: after `--idle-ms`
// (5000 by default) without a request, at the end of its input, or when its parent dies.
namespace TextReaderChild {

// True when `arguments` (the program's, first the program itself) ask for the reader process.
bool isRequested(int argc, char **argv);

// Serves requests until one of the ends above; returns the exit status. Needs a QCoreApplication
// (no display). Anything else written to standard output (by a library) goes to standard error.
int run(const QStringList &arguments);

} // namespace TextReaderChild
