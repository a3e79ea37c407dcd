#pragma once

#include <QString>
#include <QStringList>

namespace platform::SystemSettings {

// Opens the desktop's keyboard-shortcut settings with the first settings program found on the PATH
// (GNOME, KDE, Xfce, Cinnamon, MATE, LXQt), through ProgramLauncher; returns false, doing nothing,
// when none is installed.
bool openKeyboardSettings();
// Whether one of those programs is installed.
bool hasKeyboardSettings();

// Opens the desktop's privacy settings the same way. X11 itself asks no permission to read the
// screen, so outside GNOME this is the settings program's start page.
bool openPrivacySettings();

} // namespace platform::SystemSettings
