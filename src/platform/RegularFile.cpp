#include "platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::RegularFile {

namespace {

QString errnoText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Whose file may be read: any (links followed); only this user's own file at the path itself; or that,
// closed to group and others too.
enum class Whose { anyone, ownOnly, privateOnly };

int openAs(const QString &path, Whose whose, Status *status, QString *error) {
    auto fail = [&](Status why, const QString &text) {
        if (status) *status = why;
        if (error) *error = text;
        return -1;
    };
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (whose != Whose::anyone ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        const int code = errno;
        if (code == ELOOP && whose == Whose::ownOnly)
            return fail(Status::notOurs, QStringLiteral("%1 is a link").arg(path));
        if (code == ENOENT || code == ENOTDIR) return fail(Status::missing, errnoText(code));
        if (code == EACCES || code == EPERM) return fail(Status::denied, errnoText(code));
        return fail(code == ENXIO || code == ELOOP ? Status::notRegular : Status::failed, errnoText(code));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(Status::notRegular, QStringLiteral("%1 is not a regular file").arg(path));
    }
    if (whose == Whose::ownOnly && info.st_uid != ::geteuid()) {
        ::close(fd);
        return fail(Status::notOurs, QStringLiteral("%1 belongs to another user").arg(path));
    }
    if (whose == Whose::privateOnly && (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)) {
        ::close(fd);
        return fail(Status::denied, QStringLiteral("%1 is not private to this user").arg(path));
    }
    // Reads of a regular file never block; clearing the flag keeps the descriptor ordinary.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (status) *status = Status::ok;
    return fd;
}

Read readAs(const QString &path, qint64 maxBytes, Whose whose) {
    Read result;
    const int fd = openAs(path, whose, &result.status, &result.error);
    if (fd < 0) return result;
    struct stat info {};
    ::fstat(fd, &info);
    if (info.st_size > maxBytes) {
        ::close(fd);
        return {Status::tooLarge, {}, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes)};
    }
    // The size may change while reading: never read more than the cap (and one byte to notice).
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qint64 used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes) break;
            bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, used * 2 + 4096)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result = {Status::failed, {}, errnoText(errno)};
            ::close(fd);
            return result;
        }
        if (n == 0) break;
        used += n;
    }
    ::close(fd);
    if (used > maxBytes)
        return {Status::tooLarge, {}, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes)};
    bytes.resize(qsizetype(used));
    return {Status::ok, bytes, {}};
}

} // namespace

int open(const QString &path, Status *status, QString *error) { return openAs(path, Whose::anyone, status, error); }

Read read(const QString &path, qint64 maxBytes) { return readAs(path, maxBytes, Whose::anyone); }

Read readOwn(const QString &path, qint64 maxBytes) { return readAs(path, maxBytes, Whose::ownOnly); }

Read readPrivate(const QString &path, qint64 maxBytes) { return readAs(path, maxBytes, Whose::privateOnly); }

} // namespace platform::RegularFile
