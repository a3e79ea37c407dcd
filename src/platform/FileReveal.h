#pragma once

#include <QString>

#include <functional>

namespace platform {

// Shows a file selected in the desktop's file manager (org.freedesktop.FileManager1), or opens its
// folder when the file manager call fails. Does not wait for the file manager; returns whether
// either was asked to happen.
bool revealFile(const QString &path);

// Tests see what would be revealed instead of starting a file manager; an empty function restores
// the real one.
void setRevealForTesting(std::function<bool(const QString &)> reveal);

} // namespace platform
