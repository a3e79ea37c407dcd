#pragma once

#include <QStringList>

#include <optional>

namespace platform {

// The desktop environment's settings program. X11 itself asks no permission to read the screen,
// so "the privacy settings" are the settings program's start page.
namespace DesktopSettings {

// The first installed settings program (GNOME, KDE, Xfce, MATE, Cinnamon, LXQt) with its arguments.
std::optional<QStringList> program();

// Starts it detached; false when none is installed or it could not start.
bool open();

} // namespace DesktopSettings
} // namespace platform
