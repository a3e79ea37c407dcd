#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::PrivateFolder {

namespace {

// Opens the folder itself, never what a link at its place points to.
int openFolder(const QString &path) {
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

Problem whyNotOpened(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return Problem::cannotCreate;
    return S_ISLNK(info.st_mode) ? Problem::link : Problem::cannotCreate;
}

// Checks an open folder; narrows an open folder of ours to 0700 when `narrow` is set.
Problem checkOpened(int fd, bool narrow) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode)) return Problem::cannotCreate;
    if (info.st_uid != ::geteuid()) return Problem::notOurs;
    if ((info.st_mode & 077) == 0) return Problem::none;
    if (narrow) return ::fchmod(fd, 0700) == 0 ? Problem::none : Problem::cannotCreate;
    return (info.st_mode & 022) ? Problem::open : Problem::none;
}

Problem inspect(const QString &path, bool create) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) return Problem::cannotCreate;
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    if (create) {
        QDir().mkpath(QFileInfo(QString::fromLocal8Bit(native)).absolutePath());
        ::mkdir(native.constData(), 0700); // an existing entry is checked below
    }
    const int fd = openFolder(QString::fromLocal8Bit(native));
    if (fd < 0) return whyNotOpened(QString::fromLocal8Bit(native));
    const Problem problem = checkOpened(fd, create);
    ::close(fd);
    return problem;
}

} // namespace

Problem ensure(const QString &path) { return inspect(path, true); }

Problem check(const QString &path) { return inspect(path, false); }

bool removeFile(const QString &folder, const QString &name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    const int fd = openFolder(QDir::cleanPath(folder));
    if (fd < 0) return false;
    const QByteArray entry = QFile::encodeName(name);
    struct stat info {};
    const bool removed = checkOpened(fd, false) == Problem::none &&
                         ::fstatat(fd, entry.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
                         ::unlinkat(fd, entry.constData(), 0) == 0;
    ::close(fd);
    return removed;
}

QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime)) return {};
    if (check(runtime) != Problem::none) return {};
    // A folder we may not write into (read-only, immutable, mode 0500) holds no lock and no socket: every
    // launch would then take itself for the only one.
    const QString clean = QDir::cleanPath(runtime);
    return ::access(QFile::encodeName(clean).constData(), W_OK | X_OK) == 0 ? clean : QString();
}

QString loginFolder() {
    const QString runtime = runtimeFolder();
    if (!runtime.isEmpty()) return runtime;
    // A name others can guess: used only when it is, or becomes, a private folder of ours.
    const QString shared = QDir::tempPath() + QStringLiteral("/pelicarta-%1").arg(::geteuid());
    if (ensure(shared) == Problem::none) return shared;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = cache.isEmpty() ? QString() : cache + QStringLiteral("/Pelicarta");
    return ensure(own) == Problem::none ? own : QString();
}

QString describe(Problem problem, const QString &path) {
    switch (problem) {
    case Problem::none: return {};
    case Problem::cannotCreate: return QStringLiteral("%1 cannot be created").arg(path);
    case Problem::link: return QStringLiteral("%1 is a symbolic link").arg(path);
    case Problem::notOurs: return QStringLiteral("%1 belongs to another user").arg(path);
    case Problem::open: return QStringLiteral("%1 can be written by other users").arg(path);
    }
    return {};
}

} // namespace platform::PrivateFolder
