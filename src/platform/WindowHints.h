#pragma once

class QWindow;

namespace platform {

// Asks the window manager to show the window on every desktop (workspace). Call before the window is
// first shown; does nothing where the windowing system has no such notion.
void showOnAllDesktops(QWindow *window);

} // namespace platform
