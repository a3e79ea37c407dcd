#pragma once

#include "platform/PrivateFolder.h"

#include <QString>

namespace platform {

// Where Pelicarta keeps its settings and documents, following the XDG base directories.
namespace AppPaths {

// $XDG_CONFIG_HOME/Pelicarta (not created here).
QString configFolder();

// $XDG_CONFIG_HOME/Pelicarta/defaults.json
QString defaultsFile();

// $XDG_CONFIG_HOME/autostart/pelicarta.desktop: the desktop's entry that starts Pelicarta at login.
QString autostartEntry();

// $XDG_DATA_HOME/Pelicarta, made a private folder (PrivateFolder::ensure) on every call. Empty when
// it cannot be, with the reason in `problem`: a link or another user's folder is never used.
QString documentsFolder(PrivateFolder::Problem *problem = nullptr);

// A private folder inside the documents folder ("Recentes", "Marca", "Tutoriais"), checked the same
// way, its parent included. Empty when either cannot be used.
QString documentsSubfolder(const QString &name, PrivateFolder::Problem *problem = nullptr);

// Where a kind of document is kept: the documents subfolder, or, when that cannot be created,
// "Pelicarta/<name>" in the user's private runtime folder, which lasts until the session ends. Never a
// shared place, and nothing when our place holds a link or another user's folder: empty then. `problem` tells why the
// documents folder was not used (none when it was) and `problemPath` which folder it was.
struct Place {
    QString path;
    bool temporary = false; // in the runtime folder
    PrivateFolder::Problem problem = PrivateFolder::Problem::none;
    QString problemPath;
};
Place documentsSubfolderOrRuntime(const QString &name);

// $XDG_CACHE_HOME/Pelicarta/<name>, for what can be made again, made private as documentsSubfolder
// does; empty when it cannot be.
QString cacheSubfolder(const QString &name);

// "Pelicarta/<name>" in the user's private runtime folder, made private; empty without one.
QString runtimeSubfolder(const QString &name);

} // namespace AppPaths
} // namespace platform
