#pragma once

#include <QFont>
#include <QStringList>

class QImage;

// The interface's one typeface: Inter, with DejaVu Sans for anything Inter lacks or when it is not
// installed. Marks baked into images and the editor's live canvas take their fonts from here, so both
// set labels alike.
namespace SystemFont {

// The device resolution at which a point is exactly one pixel.
inline constexpr double pixelDpi = 72;

// Sizes are held to 1 … this many pixels.
inline constexpr double maxPixelSize = 4096;

// The families tried in order.
QStringList families();

// The system font at `pixelSize` pixels (fractions kept) on a device of `logicalDpi`.
QFont font(double pixelSize, QFont::Weight weight = QFont::Normal, double logicalDpi = pixelDpi);

// Makes `image` a 72-dpi device, where fonts from `font(size, weight)` measure and draw at `size`
// pixels. Returns the resolution it had (dots per metre, x and y), to be put back afterwards.
std::pair<int, int> useOnePixelPerPoint(QImage &image);

} // namespace SystemFont
