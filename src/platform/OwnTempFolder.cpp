#include "platform/OwnTempFolder.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::OwnTempFolder {

namespace {

const QString markerName = QStringLiteral(".pelicarta-folder");
constexpr char markerText[] = "Made by Pelicarta; removed with what it wrote here.\n";

bool statNoFollow(const QString &path, struct stat *info) {
    return ::lstat(QFile::encodeName(path).constData(), info) == 0;
}

bool isOwnRegularFile(const QString &path) {
    struct stat info {};
    return statNoFollow(path, &info) && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// Removes the regular files `ours` accepts directly in `folder`, never following a link.
void removeFiles(const QString &folder, const std::function<bool(const QString &)> &ours) {
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (name != markerName && ours(name) && isOwnRegularFile(path)) ::unlink(QFile::encodeName(path).constData());
    }
}

} // namespace

bool mark(const QString &folder) {
    const QString path = folder + QLatin1Char('/') + markerName;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    if (fd < 0) return false;
    const ssize_t size = ssize_t(sizeof markerText - 1);
    const bool written = ::write(fd, markerText, size_t(size)) == size;
    return ::close(fd) == 0 && written;
}

bool isMarked(const QString &folder) {
    struct stat info {};
    if (!statNoFollow(folder, &info) || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
    return isOwnRegularFile(folder + QLatin1Char('/') + markerName);
}

bool removeOwnFiles(const QString &folder, const std::function<bool(const QString &name)> &ours,
                    const QStringList &subfolders) {
    if (!isMarked(folder)) return false;
    for (const QString &sub : subfolders) {
        const QString path = folder + QLatin1Char('/') + sub;
        struct stat info {};
        if (!statNoFollow(path, &info) || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) continue;
        removeFiles(path, ours);
        ::rmdir(QFile::encodeName(path).constData()); // only once empty
    }
    removeFiles(folder, ours);
    // The marker goes last, and only when nothing else is left: what stays keeps the folder ours.
    QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.removeAll(markerName);
    if (!left.isEmpty()) return false;
    ::unlink(QFile::encodeName(folder + QLatin1Char('/') + markerName).constData());
    return ::rmdir(QFile::encodeName(folder).constData()) == 0;
}

} // namespace platform::OwnTempFolder
