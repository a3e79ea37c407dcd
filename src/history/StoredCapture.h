#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>

// A capture file opened or copied at full size, from the recents or the history page: decoded off the
// main thread (on the picture service's pool, ahead of the thumbnails waiting) and answered on the
// main thread. A file that cannot be read is logged and the person told so, the same way wherever it
// was asked for.
namespace StoredCapture {

// Reads the capture and hands its picture to `opened` on `context`'s thread. A file that has gone
// calls `gone` instead (the caller forgets it); one that cannot be read calls neither. Nothing is
// called once `context` is destroyed.
void open(const QString &path, QObject *context, std::function<void(const QImage &)> opened,
          std::function<void()> gone);

// Copies the capture to the clipboard as it is and says so with `thumbnail`; a file that cannot be
// read leaves the clipboard alone and says that instead. A later copy overtakes this one.
void copy(const QString &path, const QImage &thumbnail);

} // namespace StoredCapture
