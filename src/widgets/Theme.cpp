#include "widgets/Theme.h"

#include "core/ColorValue.h"
#include "core/SystemFont.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace Theme {

QColor rgb(quint32 value, qreal alpha) {
    QColor c = colorFromHex(value);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

QColor mix(const QColor &a, const QColor &b, qreal t) {
    return QColor::fromRgbF(
        float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
        float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor over(const QColor &top, const QColor &below) {
    // In 8-bit steps, as the raster engine blends.
    const int a = top.alpha();
    const auto channel = [a](int t, int b) { return (t * a + b * (255 - a) + 127) / 255; };
    return {channel(top.red(), below.red()), channel(top.green(), below.green()), channel(top.blue(), below.blue())};
}

QColor bg() { return rgb(0x0B0B0F); }
QColor panel() { return rgb(0x101015); }
QColor raised() { return rgb(0x1A1A21); }
QColor keycap() { return rgb(0x23232C); }
QColor line() { return rgb(0xFFFFFF, 0.07); }
QColor lineStrong() { return rgb(0xFFFFFF, 0.10); }
QColor text() { return rgb(0xEDEDF3); }
QColor text2() { return rgb(0xA1A1AE); }
QColor text3() { return rgb(0x8A8A98); }
QColor ink() { return rgb(0x15121F); }
QColor success() { return rgb(0x9BE3C1); }
QColor warning() { return rgb(0xF3C27A); }
QColor accent() { return rgb(0xC9BEFF); }
QColor accentSoft() { return rgb(0xC9BEFF, 0.12); }
QColor accentLine() { return rgb(0xC9BEFF, 0.45); }
QColor recordingRed() { return rgb(0xFF5A5F); }

QLinearGradient accentGradient(const QRectF &rect) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, accent());
    gradient.setColorAt(1, rgb(0xF1ECFB));
    return gradient;
}

QFont font(qreal pixelSize, QFont::Weight weight) {
    // Widgets size text in logical pixels; the family list is the one the renderers use.
    QFont f;
    f.setFamilies(SystemFont::families());
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, qRound(pixelSize)));
    f.setWeight(weight);
    return f;
}

QFont monospaceFont(qreal pixelSize, QFont::Weight weight) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(std::max(1, qRound(pixelSize)));
    f.setWeight(weight);
    return f;
}

QPainterPath continuousRoundedRect(const QRectF &rect, qreal radius) {
    QPainterPath path;
    if (rect.isEmpty()) return path;
    const qreal half = std::min(rect.width(), rect.height()) / 2;
    const qreal r = std::clamp(radius, 0.0, half);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    // Each corner is one cubic curve that leaves the edges 1.28 r from the corner (further than a
    // quarter circle would) and passes through the circle's apex, so the bend starts gently.
    const qreal s = std::min(1.28 * r, half);
    const qreal c = std::max(0.0, (8 * (1 - M_SQRT1_2) * r - s) / 3); // control points' distance from the corner
    const qreal l = rect.left(), t = rect.top(), rt = rect.right(), b = rect.bottom();
    path.moveTo(l + s, t);
    path.lineTo(rt - s, t);
    path.cubicTo(rt - c, t, rt, t + c, rt, t + s);
    path.lineTo(rt, b - s);
    path.cubicTo(rt, b - c, rt - c, b, rt - s, b);
    path.lineTo(l + s, b);
    path.cubicTo(l + c, b, l, b - c, l, b - s);
    path.lineTo(l, t + s);
    path.cubicTo(l, t + c, l + c, t, l + s, t);
    path.closeSubpath();
    return path;
}

} // namespace Theme
