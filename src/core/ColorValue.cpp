#include "core/ColorValue.h"

#include <algorithm>
#include <cmath>

namespace {

quint32 channel(double unit) {
    if (!std::isfinite(unit)) return 0;
    return static_cast<quint32>(std::clamp(std::round(unit * 255.0), 0.0, 255.0));
}

quint32 pack(double r, double g, double b) { return channel(r) << 16 | channel(g) << 8 | channel(b); }

} // namespace

quint32 hexValue(const QColor &color) {
    if (!color.isValid()) return 0;
    // Extended RGB is sRGB without the 0…1 limit: every colour model converts without loss of range.
    const QColor rgb = color.toExtendedRgb();
    return pack(rgb.redF(), rgb.greenF(), rgb.blueF());
}

QColor colorFromHex(quint32 rgb) { return QColor::fromRgb(QRgb(rgb)); } // the alpha byte is ignored

// Not QColor's HSV: it keeps hue, saturation and value in 16-bit integers and converts in float, so one
// colour in eight that Backdrop::companion derives, and one in 500 HSB values turned into hex (more with
// toExtendedRgb's half floats), would come out one step away from the exact conversion here.
Hsb hsbFromHex(quint32 rgb) {
    const double r = static_cast<double>(rgb >> 16 & 0xFF) / 255.0;
    const double g = static_cast<double>(rgb >> 8 & 0xFF) / 255.0;
    const double b = static_cast<double>(rgb & 0xFF) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double delta = max - min;
    Hsb hsb;
    hsb.brightness = max;
    hsb.saturation = max > 0 ? delta / max : 0;
    if (delta > 0) {
        double h = 0;
        if (max == r) h = (g - b) / delta;
        else if (max == g) h = 2.0 + (b - r) / delta;
        else h = 4.0 + (r - g) / delta;
        h /= 6.0;
        if (h < 0) h += 1.0;
        hsb.hue = h;
    }
    return hsb;
}

quint32 hexFromHsb(double hue, double saturation, double brightness) {
    if (!std::isfinite(hue) || !std::isfinite(saturation) || !std::isfinite(brightness)) return 0;
    const double h = hue - std::floor(hue);
    const double s = std::clamp(saturation, 0.0, 1.0);
    const double v = std::clamp(brightness, 0.0, 1.0);
    const double scaled = h * 6.0;
    const int sector = static_cast<int>(scaled) % 6;
    const double f = scaled - std::floor(scaled);
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (sector) {
    case 0: return pack(v, t, p);
    case 1: return pack(q, v, p);
    case 2: return pack(p, v, t);
    case 3: return pack(p, q, v);
    case 4: return pack(t, p, v);
    default: return pack(v, p, q);
    }
}
