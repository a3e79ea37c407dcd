#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace platform {

// Writes a whole document through a temporary file and a rename, so a crash or a full disk
// never leaves a half-written file in place of the old one.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                         QFileDevice::Permissions permissions = {});

// Writes a file only this user may read or write (mode 0600) as writeFileAtomically does, in an
// existing folder, replacing whatever is at `path` (a link there is replaced, never followed).
bool writePrivateFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Moves an unreadable document out of the way (same folder, ".unreadable-<time>" suffix) so that
// the next write does not destroy what the user may still want to recover. Returns the new path,
// or an empty string when nothing could be moved.
QString keepAside(const QString &path);

} // namespace platform
