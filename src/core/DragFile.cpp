#include "core/DragFile.h"

#include "core/CaptureFileName.h"
#include "platform/AtomicFile.h"
#include "platform/OwnTempFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

namespace DragFile {

namespace {

const QString folderPrefix = QStringLiteral("pelicarta-drag-");

// What a drag writes into its folder: the capture's file (a second of the same second numbered), and
// the temporary file of its atomic write when the process died during it.
bool isDragFile(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral(
        "^Pelicarta \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d(?: \\(\\d+\\))?\\.[a-z]{3,4}(?:\\.[A-Za-z0-9]{6})?$"));
    return pattern.match(name).hasMatch();
}

} // namespace

QMimeData *mimeData(const QByteArray &bytes, ExportFormat format) {
    auto *data = new QMimeData;
    if (bytes.isEmpty()) return data;
    data->setData(mimeType(format), bytes);
    QTemporaryDir folder(QDir::temp().filePath(folderPrefix + QStringLiteral("XXXXXX")));
    if (!folder.isValid()) return data;
    folder.setAutoRemove(false);
    if (!platform::OwnTempFolder::mark(folder.path())) {
        folder.remove();
        return data;
    }
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
        if (folder.lastModified() >= cutoff) continue;
        if (platform::OwnTempFolder::removeOwnFiles(folder.filePath(), &isDragFile)) ++removed;
    }
    return removed;
}

} // namespace DragFile
