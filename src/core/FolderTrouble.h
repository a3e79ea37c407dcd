#pragma once

#include "platform/PrivateFolder.h"

#include <QString>

// Why a folder of ours did not take a file, as the user reads it in an alert: the recents folder, the
// tutorial library.
namespace FolderTrouble {

// What keeps the folder from being used ("é um link simbólico", "não pôde ser criada"); empty for none.
QString reason(platform::PrivateFolder::Problem problem);
// The folder's problem when it has one, else the system's reason for the write that failed (a full
// disk names itself there).
QString reason(platform::PrivateFolder::Problem problem, const QString &writeError);

} // namespace FolderTrouble
