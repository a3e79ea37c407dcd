#include "tutorials/TutorialFolder.h"

#include "core/StylePreset.h" // uuidString
#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

namespace TutorialFolder {

const QString &documentName() {
    static const QString name = QStringLiteral("tutorial.json");
    return name;
}

QString newStepPictureName() { return QStringLiteral("passo-%1.png").arg(uuidString(QUuid::createUuid()).left(8)); }

bool isStepPictureName(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral("^passo-[0-9A-F]{8}\\.png$"));
    return pattern.match(name).hasMatch();
}

QStringList stepPictures(const QString &folder) {
    QStringList pictures = QDir(folder).entryList({QStringLiteral("passo-*.png")}, QDir::Files | QDir::NoSymLinks);
    pictures.removeIf([](const QString &name) { return !isStepPictureName(name); });
    return pictures;
}

bool removeFiles(const QString &folder, const QStringList &names) {
    for (const QString &name : names) platform::PrivateFolder::removeFile(folder, name);
    // rmdir: refused while anything is left, and never follows a link.
    return QDir().rmdir(folder);
}

bool copyFiles(const QString &from, const QString &to, const QStringList &names) {
    if (QFileInfo::exists(to) || platform::PrivateFolder::ensure(to) != platform::PrivateFolder::Problem::none)
        return false;
    QStringList copied;
    for (const QString &name : names) {
        const QFileInfo source(from + QLatin1Char('/') + name);
        if (copied.contains(name) || !source.isFile() || source.isSymLink()) continue;
        if (!QFile::copy(source.filePath(), to + QLatin1Char('/') + name)) {
            copied.append(name); // a partial file may be there
            removeFiles(to, copied);
            return false;
        }
        copied.append(name);
    }
    return true;
}

} // namespace TutorialFolder
