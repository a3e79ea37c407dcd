#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                         QFileDevice::Permissions permissions) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error) *error = QStringLiteral("cannot create folder %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    // Unbuffered: a buffered write that comes up short (a full disk, a file size limit) is flushed at
    // commit, which then replaces the old file with the truncated one and reports success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error) *error = file.errorString();
        return false;
    }
    if (permissions != QFileDevice::Permissions{}) file.setPermissions(permissions);
    // A short write is retried; the retry fails with the system's reason when the disk is full.
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            if (error) *error = file.errorString();
            file.cancelWriting();
            return false;
        }
        done += written;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

bool writePrivateFileAtomically(const QString &path, const QByteArray &bytes, QString *error) {
    const auto fail = [&](const QString &why) {
        if (error) *error = why;
        return false;
    };
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    int fd = -1;
    // A name nobody else picks: a leftover of a crash or one made in between is never opened.
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temporary = target + ".new-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
    bool written = true;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += n;
    }
    const int writeError = written ? 0 : (errno ? errno : ENOSPC);
    if (::close(fd) != 0 && written) written = false;
    // rename() replaces the entry itself, whatever it is, and follows no link.
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        const int code = writeError ? writeError : errno;
        ::unlink(temporary.constData());
        return fail(QString::fromLocal8Bit(std::strerror(code)));
    }
    return true;
}

QString keepAside(const QString &path) {
    // The entry itself is moved, whatever it is (a FIFO, a link to a device): never opened, never copied.
    auto present = [](const QString &p) {
        struct stat info {};
        return ::lstat(QFile::encodeName(p).constData(), &info) == 0;
    };
    if (!present(path)) return {};
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QStringLiteral("%1.unreadable-%2").arg(path, stamp);
    for (int n = 2; present(target); ++n) target = QStringLiteral("%1.unreadable-%2-%3").arg(path, stamp).arg(n);
    return ::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0 ? target
                                                                                                     : QString();
}

} // namespace platform
