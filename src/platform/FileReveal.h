#pragma once

#include <QString>

namespace platform {

// Shows a file selected in the desktop's file manager (org.freedesktop.FileManager1), or opens its
// folder when the file manager call fails. Does not wait for the file manager; returns whether
// either was asked to happen.
bool revealFile(const QString &path);

} // namespace platform
