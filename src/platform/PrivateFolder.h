#pragma once

#include <QString>

namespace platform {

// Folders that only this user can enter, and that are really ours: never a symbolic link to a folder
// elsewhere (Pelicarta would change its mode, write into it and prune the user's files there), never
// a folder another user made first in a shared place.
namespace PrivateFolder {

enum class Problem {
    none,
    cannotCreate, // it does not exist and cannot be made (or its place holds a file)
    link,         // a symbolic link
    notOurs,      // owned by another user
    open,         // ours, but group or others may write into it (only reported by check())
};

// Makes `path` such a folder: its parents as needed, then the folder itself with mode 0700. An existing
// folder of ours is narrowed to 0700; a link or a folder of another user is refused and left as it is.
Problem ensure(const QString &path);

// The checks of ensure() without creating or changing anything; `open` when group or others may
// write into the folder.
Problem check(const QString &path);

// Removes `name` from `folder` when the folder passes check() and `name` is a regular file directly
// in it (a link is not followed, a folder is not removed). Returns whether it was removed.
bool removeFile(const QString &folder, const QString &name);

// $XDG_RUNTIME_DIR when it is set to an absolute folder that passes check() and that this process may
// create files in; empty otherwise.
QString runtimeFolder();

// The private folder of this user for what lasts a login (sockets, locks, caches): runtimeFolder(),
// else "pelicarta-<uid>" in the temporary folder (made 0700 and checked), else "Pelicarta" in the
// cache folder. Empty when none can be used.
QString loginFolder();

// A short English description of a problem with `path`, for logs and for the alerts' details.
QString describe(Problem problem, const QString &path);

} // namespace PrivateFolder
} // namespace platform
