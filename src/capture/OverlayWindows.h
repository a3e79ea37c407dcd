#pragma once

class OverlayView;
class QScreen;

// The overlay's windows, kept hidden between captures: the next hot key then shows a window whose
// native window and backing store already exist instead of making them again. At most one window per
// screen is kept, with nothing of its last capture (its backing store, a screen-sized surface, is what
// it costs); a window is made anew when its screen's geometry changed, and every kept window goes after
// `idleLimitMs` without a capture or on release(). Main thread only.
namespace OverlayWindows {

inline constexpr int idleLimitMs = 3 * 60 * 1000;

// A hidden, unbound view placed over `screen`: the one kept for it, else a new one.
OverlayView *take(QScreen *screen);
// Hides the view, unbinds it and keeps it for the next capture; one that is not needed (a window for
// its screen is kept already) is deleted once control returns to the event loop.
void giveBack(OverlayView *view);
// Deletes every kept window now.
void release();
// How many windows are kept.
int keptCount();
// Shortens the idle limit (tests).
void setIdleLimitForTesting(int ms);

} // namespace OverlayWindows
