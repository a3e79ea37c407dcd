#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform::SystemSettings {

// Opens the desktop's keyboard-shortcut settings with the first settings program found on the PATH
// (GNOME, KDE, Xfce, Cinnamon, MATE, LXQt); returns false, doing nothing, when none is installed.
bool openKeyboardSettings();
// Whether one of those programs is installed.
bool hasKeyboardSettings();

// Opens the desktop's privacy settings the same way. X11 itself asks no permission to read the
// screen, so outside GNOME this is the settings program's start page.
bool openPrivacySettings();

// Starts a detached program; tests substitute it. Returns whether it started.
using Launcher = std::function<bool(const QString &program, const QStringList &arguments)>;
void setLauncher(Launcher launcher); // an empty launcher restores the real one

} // namespace platform::SystemSettings
