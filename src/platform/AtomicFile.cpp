#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                         QFileDevice::Permissions permissions) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error) *error = QStringLiteral("cannot create folder %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    if (permissions != QFileDevice::Permissions{}) file.setPermissions(permissions);
    if (file.write(bytes) != bytes.size()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

QString keepAside(const QString &path) {
    if (!QFileInfo::exists(path)) return {};
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QStringLiteral("%1.unreadable-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QStringLiteral("%1.unreadable-%2-%3").arg(path, stamp).arg(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace platform
