#include "core/SaveFolder.h"

#include "core/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace SaveFolder {

QString start(const platform::UserDefaults &defaults) {
    const QString last = Settings::saveFolder.value(defaults);
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) return pictures;
    return QDir::homePath();
}

void remember(const QString &savedFile, platform::UserDefaults &defaults) {
    Settings::saveFolder.set(QFileInfo(savedFile).absolutePath(), defaults);
}

} // namespace SaveFolder
