#pragma once

#include <QColor>
#include <QtGlobal>

// Colours are stored as 0xRRGGBB in a quint32; these convert between that form, QColor and the
// standard hue / saturation / brightness (HSB, also called HSV) model in sRGB.

// The colour in sRGB as 0xRRGGBB, each channel rounded to the nearest of 0…255 and clamped there
// (extended-range colours outside the gamut are clamped); 0 for a colour that cannot be converted.
quint32 hexValue(const QColor &color);

// An opaque sRGB colour from the low 24 bits of `rgb` (higher bits are ignored).
QColor colorFromHex(quint32 rgb);

// Hue, saturation and brightness, each 0…1 (hue 0 for greys).
struct Hsb {
    double hue = 0;
    double saturation = 0;
    double brightness = 0;
};

Hsb hsbFromHex(quint32 rgb);
// Hue wraps around (only its fractional part counts); saturation and brightness are clamped to 0…1.
quint32 hexFromHsb(double hue, double saturation, double brightness);
