#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Opening files that may not be what their names claim: a settings file replaced by a FIFO, a link
// to /dev/zero, a document grown to gigabytes. Files are opened without blocking and the opened file
// itself is checked, so nothing can swap the path between the check and the read.
namespace RegularFile {

enum class Status {
    ok,
    missing,    // nothing at the path (or a dangling link)
    denied,     // there, but not ours to read
    notRegular, // a folder, FIFO, device or socket
    tooLarge,   // larger than the reader's cap
    failed,     // any other error of opening or reading
    notOurs,    // a link, or another user's file (readOwn only)
};

struct Read {
    Status status = Status::failed;
    QByteArray bytes; // the whole file when ok
    QString error;    // a short technical reason otherwise
};

// The whole content of the regular file at `path` (links followed), when it holds at most `maxBytes`.
Read read(const QString &path, qint64 maxBytes);

// As `read`, for a file this program wrote into a folder of its own: a link at the path is refused,
// never followed, and so is a file another user owns.
Read readOwn(const QString &path, qint64 maxBytes);

// As read, for a file only this user may read or write: the file at `path` itself (a link there is
// refused as notRegular, never followed), owned by this user, closed to group and others (denied
// otherwise).
Read readPrivate(const QString &path, qint64 maxBytes);

// An open read-only descriptor of the regular file at `path` (close-on-exec; the caller closes it),
// or -1 with the reason in `status` and `error`.
int open(const QString &path, Status *status, QString *error = nullptr);

} // namespace RegularFile
} // namespace platform
