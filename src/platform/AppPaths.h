#pragma once

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

// $XDG_DATA_HOME/Pelicarta, created with mode 0700 on first call. Empty when it cannot be created.
QString documentsFolder();

// A folder inside the documents folder ("Recentes", "Marca", "Tutoriais"), created with mode 0700.
// Empty when it cannot be created.
QString documentsSubfolder(const QString &name);
// The same, or "Pelicarta/<name>" in the temporary folder when the documents folder cannot be made,
// so that captures can still be kept for this session.
QString documentsSubfolderOrTemp(const QString &name);

} // namespace AppPaths
} // namespace platform
