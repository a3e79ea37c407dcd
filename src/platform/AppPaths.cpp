#include "platform/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace platform::AppPaths {

namespace {

const QString kAppFolder = QStringLiteral("Pelicarta");

QString xdgBase(const char *variable, const char *fallbackBelowHome) {
    const QString fromEnv = qEnvironmentVariable(variable);
    // The XDG rules ignore relative paths.
    if (!fromEnv.isEmpty() && QDir::isAbsolutePath(fromEnv)) return fromEnv;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

bool makePrivateFolder(const QString &path) {
    QDir dir;
    if (!dir.exists(path) && !dir.mkpath(path)) return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

QString configFolder() { return xdgBase("XDG_CONFIG_HOME", ".config") + QLatin1Char('/') + kAppFolder; }

QString defaultsFile() { return configFolder() + QStringLiteral("/defaults.json"); }

QString autostartEntry() { return xdgBase("XDG_CONFIG_HOME", ".config") + QStringLiteral("/autostart/pelicarta.desktop"); }

QString documentsFolder() {
    const QString path = xdgBase("XDG_DATA_HOME", ".local/share") + QLatin1Char('/') + kAppFolder;
    return makePrivateFolder(path) ? path : QString();
}

QString documentsSubfolder(const QString &name) {
    const QString base = documentsFolder();
    if (base.isEmpty()) return {};
    const QString path = base + QLatin1Char('/') + name;
    return makePrivateFolder(path) ? path : QString();
}

QString documentsSubfolderOrTemp(const QString &name) {
    const QString folder = documentsSubfolder(name);
    return folder.isEmpty() ? QDir::tempPath() + QStringLiteral("/Pelicarta/") + name : folder;
}

} // namespace platform::AppPaths
