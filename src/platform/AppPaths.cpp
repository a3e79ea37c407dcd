#include "platform/AppPaths.h"

#include <QDir>

namespace platform::AppPaths {

namespace {

const QString kAppFolder = QStringLiteral("Pelicarta");

QString xdgBase(const char *variable, const char *fallbackBelowHome) {
    const QString fromEnv = qEnvironmentVariable(variable);
    // The XDG rules ignore relative paths.
    if (!fromEnv.isEmpty() && QDir::isAbsolutePath(fromEnv)) return fromEnv;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

// `base`/Pelicarta/`name` (just `base`/Pelicarta when `name` is empty), every level of ours private.
QString privateBelow(const QString &base, const QString &name, PrivateFolder::Problem *problem, QString *where) {
    QString path = QDir::cleanPath(base) + QLatin1Char('/') + kAppFolder;
    QStringList levels{path};
    if (!name.isEmpty()) levels.append(path += QLatin1Char('/') + name);
    for (const QString &level : levels) {
        const PrivateFolder::Problem found = PrivateFolder::ensure(level);
        if (problem) *problem = found;
        if (found != PrivateFolder::Problem::none) {
            if (where) *where = level;
            return {};
        }
    }
    return path;
}

} // namespace

QString configFolder() { return xdgBase("XDG_CONFIG_HOME", ".config") + QLatin1Char('/') + kAppFolder; }

QString defaultsFile() { return configFolder() + QStringLiteral("/defaults.json"); }

QString autostartEntry() {
    return xdgBase("XDG_CONFIG_HOME", ".config") + QStringLiteral("/autostart/pelicarta.desktop");
}

QString documentsFolder(PrivateFolder::Problem *problem) {
    return privateBelow(xdgBase("XDG_DATA_HOME", ".local/share"), {}, problem, nullptr);
}

QString documentsSubfolder(const QString &name, PrivateFolder::Problem *problem) {
    return privateBelow(xdgBase("XDG_DATA_HOME", ".local/share"), name, problem, nullptr);
}

Place documentsSubfolderOrRuntime(const QString &name) {
    Place place;
    place.path = privateBelow(xdgBase("XDG_DATA_HOME", ".local/share"), name, &place.problem, &place.problemPath);
    // A link or another user's folder in our place is refused outright: nothing is kept anywhere else
    // either, so that the user notices and mends it.
    if (!place.path.isEmpty() || place.problem != PrivateFolder::Problem::cannotCreate) return place;
    place.path = runtimeSubfolder(name);
    place.temporary = !place.path.isEmpty();
    return place;
}

QString cacheSubfolder(const QString &name) {
    return privateBelow(xdgBase("XDG_CACHE_HOME", ".cache"), name, nullptr, nullptr);
}

QString runtimeSubfolder(const QString &name) {
    const QString runtime = PrivateFolder::runtimeFolder();
    return runtime.isEmpty() ? QString() : privateBelow(runtime, name, nullptr, nullptr);
}

} // namespace platform::AppPaths
