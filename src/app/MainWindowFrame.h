#pragma once

#include <QList>
#include <QMargins>
#include <QRect>

#include <optional>

// Where the main window opens, and how it stays within reach. A placement is what Qt's move and resize
// take and what is remembered: the top left of the window's frame (the window manager's title bar and
// borders) and the window's own size. `frame` is how wide that frame is on each side; `areas` are the
// screens' available areas (what their panels leave).
namespace MainWindowFrame {

inline constexpr QSize defaultSize(1240, 800);
inline constexpr QSize minimumSize(1000, 660);

// The frame assumed until the window manager says (EWMH _NET_FRAME_EXTENTS): as wide as the thickest
// title bars and borders in common use, so that a guess errs towards a window that fits.
inline constexpr QMargins frameGuess(8, 40, 8, 8);

// The first launch, in `area`: the default size where it fits with its frame, else what fits, never
// below the minimum; the frame centred. A window larger than the area keeps its title bar reachable:
// its frame's top left at the area's.
QRect opening(const QRect &area, const QMargins &frame);

// `placement` when its whole frame lies inside one of `areas`; otherwise moved onto the area it overlaps
// most (the nearest when it overlaps none) and shrunk to fit it, never below the minimum, the title bar
// kept reachable as above. A placement remembered on a screen that is gone never opens out of reach.
// `placement` unchanged when there is no area.
QRect fitted(const QRect &placement, const QMargins &frame, const QList<QRect> &areas);

// Where the window opens: `remembered` fitted to the screens, else the first launch on `primary`.
QRect placed(const std::optional<QRect> &remembered, const QMargins &frame, const QRect &primary,
             const QList<QRect> &areas);

// Where a new window goes once the window manager first says how wide its frame is: `guessed` is where
// it was put with `frameGuess`, `now` where its frame is. Placed again as it would have been with the
// frame known, unless it was resized or moved further than framing explains meanwhile (the person or a
// tool got there first): then what they chose stands, only brought within reach.
QRect framed(const QRect &guessed, const QRect &now, const std::optional<QRect> &remembered,
             const QMargins &frame, const QRect &primary, const QList<QRect> &areas);

} // namespace MainWindowFrame
