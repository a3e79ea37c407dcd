#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <sys/stat.h>

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
