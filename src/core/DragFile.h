#pragma once

#include "core/ExportSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>

class QMimeData;

// What dragging a picture out of the application carries: an encoded export, written as a file that
// the receiving program reads at its own pace. Each drag writes into a private folder of its own
// (mode 0700) in the temporary folder, under the capture's file name; the folders stay after the
// drag, and those older than a day are removed at the next launch.
namespace DragFile {

// Writes `bytes` (encoded as `format`) to a new drag folder as "Pelicarta <now>.<ext>" and returns
// the drag's data: the file's URL, and the bytes themselves under the format's MIME type for programs
// that take the picture rather than a file. Without bytes it carries nothing; when the file cannot be
// written, only the bytes. The caller owns the result (a QDrag takes it).
QMimeData *mimeData(const QByteArray &bytes, ExportFormat format);

// Removes the drag folders of this user in `tempFolder` last changed before `now - maxAge`. Only
// folders named as ours that carry the marker a drag writes (platform::OwnTempFolder) are touched, and
// in them only the files a drag writes: a folder holding anything else stays. Failures are ignored.
// Returns how many went. Any thread.
int removeOldFolders(const QString &tempFolder, const QDateTime &now,
                     std::chrono::hours maxAge = std::chrono::hours(24));

} // namespace DragFile
