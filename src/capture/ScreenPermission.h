#pragma once

// Access to the screen. X11 lets every client read the screen, so access is granted whenever the
// display server can be reached; without one nothing can be captured.
namespace ScreenPermission {

// Whether the platform asks the user for access at all; nothing about it is shown when it does not.
bool isNeeded();

bool isGranted();

// Opens the desktop's settings program when one is installed; otherwise does nothing.
void openSystemSettings();

} // namespace ScreenPermission
