#include "core/SystemFont.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace SystemFont {

QStringList families() { return {QStringLiteral("Inter"), QStringLiteral("DejaVu Sans")}; }

QFont font(double pixelSize, QFont::Weight weight, double logicalDpi) {
    QFont f;
    f.setFamilies(families());
    f.setStyleHint(QFont::SansSerif);
    f.setWeight(weight);
    const double dpi = std::isfinite(logicalDpi) && logicalDpi > 0 ? logicalDpi : pixelDpi;
    const double size = std::isfinite(pixelSize) ? std::clamp(pixelSize, 1.0, maxPixelSize) : 1;
    f.setPointSizeF(size * 72.0 / dpi);
    return f;
}

std::pair<int, int> useOnePixelPerPoint(QImage &image) {
    const std::pair<int, int> before{image.dotsPerMeterX(), image.dotsPerMeterY()};
    const int dotsPerMeter = static_cast<int>(std::lround(pixelDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return before;
}

} // namespace SystemFont
