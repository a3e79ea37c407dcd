#pragma once

#include "platform/UserDefaults.h"

#include <QString>

// Where save panels open: the folder of the last file saved through one, while it is still a folder;
// else the user's pictures folder (XDG_PICTURES_DIR); else the home folder. Only a file written in
// full moves it, so that a save the system refused never sends the next panel to that folder.
namespace SaveFolder {

QString start(const platform::UserDefaults &defaults = platform::UserDefaults::standard());

// After `savedFile` was written: the next panel opens in its folder.
void remember(const QString &savedFile, platform::UserDefaults &defaults = platform::UserDefaults::standard());

} // namespace SaveFolder
