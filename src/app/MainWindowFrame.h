#pragma once

#include <QList>
#include <QRect>

// Where the main window opens: its saved frame, kept on the screens of this session.
namespace MainWindowFrame {

// `frame` when it lies wholly inside one of `areas` (the screens' available areas); otherwise moved
// onto the area it overlaps most, or the nearest one when it overlaps none, shrunk to fit it. A frame
// saved on a screen that is gone never opens out of reach. `frame` unchanged when there is no area.
QRect fitted(const QRect &frame, const QList<QRect> &areas);

// `size` centred in `area`, shrunk to fit it.
QRect centred(const QSize &size, const QRect &area);

} // namespace MainWindowFrame
