#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace platform {

// Pictures this program keeps for later in private folders of its own (captures waiting for their
// turn, tutorial steps a full disk refused), read back only as what it wrote there: a regular file of
// this user, opened without following a link, no larger than a picture within the image limits
// (ImageChecks.h) makes, holding a whole PNG that decodes within those limits. Anything else put in its
// place is unreadable, and is set aside rather than tried again at every start. Any thread.
namespace KeptPicture {

enum class Status {
    ok,
    missing,    // nothing there any more
    unreadable, // a link, a FIFO, another user's file, too large, not a PNG, damaged or beyond the limits
};

struct Read {
    Status status = Status::unreadable;
    QByteArray png; // the file's bytes, when ok
    QImage image;   // the picture, when ok
    QString error;  // a short technical reason otherwise
};

Read read(const QString &path);

// The folder beside a kept picture where one that cannot be read is set aside.
QString asideFolder(const QString &path);

// Moves the entry at `path` (never opened: a link or a FIFO moves as it stands) into asideFolder(),
// under a name nothing there takes. Returns its new path; empty when it could not be moved.
QString setAside(const QString &path);

} // namespace KeptPicture
} // namespace platform
