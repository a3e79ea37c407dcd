#pragma once

#include <QString>

#include <functional>

namespace platform {

// Folders the program makes in the shared temporary folder (a drag's file, a page drawn by
// Ghostscript) and clears up after a run that could not: each carries a marker file written into it as
// it is made, so that a folder of the same name the user (or anyone) made is never taken for one of
// ours, and only the files the program writes there are ever removed. Any thread.
namespace OwnTempFolder {

// Writes the marker into `folder`, a folder just made; false when it could not be written.
bool mark(const QString &folder);

// Whether `folder` is a real folder of this user (not a link) holding our marker, itself a regular
// file of this user.
bool isMarked(const QString &folder);

// In a marked folder: removes the regular files (never links, never folders) whose names `ours`
// accepts, in it and in its subfolders `subfolders` (removed too once empty), then the marker and the
// folder once nothing else is left in it. Returns whether the folder went; a user's file there keeps
// it, and the marker with it.
bool removeOwnFiles(const QString &folder, const std::function<bool(const QString &name)> &ours,
                    const QStringList &subfolders = {});

} // namespace OwnTempFolder
} // namespace platform
