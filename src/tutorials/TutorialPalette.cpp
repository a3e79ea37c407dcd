#include "tutorials/TutorialPalette.h"

#include "brand/BrandImporter.h"
#include "core/ColorValue.h"
#include "core/Luma.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr quint32 ink = 0x15121F;

QColor withAlpha(Qt::GlobalColor color, double alpha) {
    QColor c(color);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

TutorialPalette brandPalette(const BrandSnapshot &brand) {
    const quint32 background = brand.background & 0xFFFFFF;
    const quint32 text = brand.text & 0xFFFFFF;
    const quint32 accent = BrandImporter::readableAccent(brand.primary & 0xFFFFFF, background, text);
    TutorialPalette palette;
    palette.background = colorFromHex(background);
    palette.title = colorFromHex(text);
    palette.body = colorFromHex(mix(text, background, 0.72));
    palette.muted = colorFromHex(mix(text, background, 0.5));
    palette.accent = colorFromHex(accent);
    palette.badgeText = lumaOf(accent) > 0.6 ? colorFromHex(ink) : QColor(Qt::white);
    palette.border = lumaOf(background) < 0.5 ? withAlpha(Qt::white, 0.10) : withAlpha(Qt::black, 0.08);
    palette.fontFamily = brand.fontFamily.value_or(QString());
    return palette;
}

} // namespace

TutorialPalette TutorialPalette::of(TutorialTheme theme, const BrandSnapshot *brand) {
    if (theme == TutorialTheme::brand && brand) return brandPalette(*brand);
    if (theme == TutorialTheme::dark)
        return {colorFromHex(0x0E0E13), colorFromHex(0xEDEDF3), colorFromHex(0xA1A1AE),     colorFromHex(0x6F6F7C),
                colorFromHex(0xC9BEFF), colorFromHex(ink),      withAlpha(Qt::white, 0.10), {}};
    return {colorFromHex(0xF7F6FB), colorFromHex(ink), colorFromHex(0x4B4860),     colorFromHex(0x8A879C),
            colorFromHex(0x6E5BD8), QColor(Qt::white), withAlpha(Qt::black, 0.08), {}};
}

quint32 mix(quint32 a, quint32 b, double t) {
    quint32 out = 0;
    for (int shift : {16, 8, 0}) {
        const double blended = t * ((a >> shift) & 0xFF) + (1 - t) * ((b >> shift) & 0xFF);
        out |= static_cast<quint32>(std::clamp(std::round(blended), 0.0, 255.0)) << shift;
    }
    return out;
}
