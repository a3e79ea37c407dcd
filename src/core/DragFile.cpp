#include "core/DragFile.h"

#include "core/CaptureFileName.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <unistd.h>

namespace DragFile {

namespace {

const QString folderPrefix = QStringLiteral("pelicarta-drag-");

// A folder of ours: named so, ours, a real folder (not a link to one) with files only.
bool isOurs(const QFileInfo &folder) {
    if (folder.isSymLink() || !folder.isDir() || folder.ownerId() != ::getuid()) return false;
    const QDir dir(folder.filePath());
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        if (entry.isSymLink() || !entry.isFile()) return false;
    return true;
}

bool removeFolder(const QFileInfo &folder) {
    QDir dir(folder.filePath());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) dir.remove(name);
    return QDir().rmdir(folder.filePath());
}

} // namespace

QMimeData *mimeData(const QByteArray &bytes, ExportFormat format) {
    auto *data = new QMimeData;
    if (bytes.isEmpty()) return data;
    data->setData(mimeType(format), bytes);
    QTemporaryDir folder(QDir::temp().filePath(folderPrefix + QStringLiteral("XXXXXX")));
    if (!folder.isValid()) return data;
    folder.setAutoRemove(false);
    const QString path =
        folder.filePath(CaptureFileName::withExtension(QDateTime::currentDateTime(), fileExtension(format)));
    if (platform::writeFileAtomically(path, bytes)) data->setUrls({QUrl::fromLocalFile(path)});
    return data;
}

int removeOldFolders(const QString &tempFolder, const QDateTime &now, std::chrono::hours maxAge) {
    const QDateTime cutoff = now.addSecs(-std::chrono::duration_cast<std::chrono::seconds>(maxAge).count());
    int removed = 0;
    const QFileInfoList candidates =
        QDir(tempFolder)
            .entryInfoList({folderPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &folder : candidates) {
        if (folder.lastModified() >= cutoff || !isOurs(folder)) continue;
        if (removeFolder(folder)) ++removed;
    }
    return removed;
}

} // namespace DragFile
