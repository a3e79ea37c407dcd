#pragma once

#include "capture/DisplaySnapshot.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

#include <optional>

class QPainter;

// What the selection overlay is choosing: a free area or a whole window.
enum class OverlayMode { area, window };

// The bottom layer of each overlay view: the display as it was frozen, dimmed around the selection
// in area mode, blurred and dimmed with the hovered window left sharp in window mode.
namespace OverlayBackdrop {

// The dimming colour, shown at the opacities below.
inline const QColor dim = QColor(7, 7, 11);
inline constexpr double areaDimWithoutSelection = 0.28;
inline constexpr double areaDimWithSelection = 0.56;
inline constexpr double windowDim = 0.62;
inline constexpr double windowCornerRadius = 12;
inline constexpr double blurSigma = 6; // in quarter-size pixels

// A blurred copy of a display image at a quarter of its pixel size in each direction; the edge
// pixels repeat outwards before blurring, so the borders neither fade nor darken. Made once per
// display when the overlay opens; null for a null image.
QImage blurred(const QImage &displayImage);

// Pixels per point of a display's frozen image (a width below one point counts as one).
double frozenImageScale(const DisplaySnapshot &snapshot);

// Paints the layer in the display's local coordinates, over the display's whole size.
// `localSelection` and `localWindow` are OverlayGeometry's answers for this display.
void paint(QPainter &painter, const DisplaySnapshot &snapshot, const QImage &blurredImage, OverlayMode mode,
           const std::optional<QRectF> &localSelection, const std::optional<QRectF> &localWindow);

} // namespace OverlayBackdrop
