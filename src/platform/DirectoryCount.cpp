#include "platform/DirectoryCount.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

int countFiles(const QString &folder, const std::function<bool(const QString &name)> &accept) {
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return 0;
    int count = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue; // hidden, and the folder itself and its parent
        if (!accept(QFile::decodeName(entry->d_name))) continue;
        bool regular = entry->d_type == DT_REG;
        // Some file systems do not tell the type: it is read then, from the entry itself, not where a
        // link leads.
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            regular =
                ::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
        }
        if (regular) ++count;
    }
    ::closedir(dir);
    return count;
}

} // namespace platform
