#pragma once

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRectF>

// The one colour palette of the dark interface. Views take every background, text colour and
// hairline from here.
namespace Theme {

QColor bg();         // #0B0B0F: main window and pages
QColor panel();      // #101015: sidebar, footer bars
QColor raised();     // #1A1A21: secondary buttons
QColor keycap();     // #23232C: small key caps
QColor line();       // white at 0.07: hairlines
QColor lineStrong(); // white at 0.10: borders
QColor text();       // #EDEDF3
QColor text2();      // #A1A1AE
QColor text3();      // #8A8A98
QColor ink();        // #15121F: text on the accent gradient
QColor success();    // #9BE3C1
QColor warning();    // #F3C27A
QColor accent();     // #C9BEFF
QColor accentSoft(); // accent at 0.12
QColor accentLine(); // accent at 0.45
// The red of every control that starts or shows a tutorial recording: (255, 90, 95).
QColor recordingRed();

// The accent gradient (#C9BEFF → #F1ECFB) from the top-leading to the bottom-trailing corner of `rect`.
QLinearGradient accentGradient(const QRectF &rect);

// The colour `t` of the way from `a` to `b` (0 … 1), opacity included: a look easing between two states.
QColor mix(const QColor &a, const QColor &b, qreal t);

// The opaque colour `top` makes when painted over the opaque `below`: a hairline drawn as this over a
// known background looks the same and is filled in one pass (Qt's raster engine splits tall translucent
// fills across its thread pool and makes the painting thread wait for the slices).
QColor over(const QColor &top, const QColor &below);

// An sRGB colour from 0xRRGGBB and an opacity.
QColor rgb(quint32 rgb, qreal alpha = 1.0);
// The colour `t` of the way from `a` to `b` (0 … 1), opacity included.
QColor mix(const QColor &a, const QColor &b, qreal t);

// The interface font at a size in logical pixels: Inter, DejaVu Sans when Inter is missing.
QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal);
// The monospaced design of the interface font.
QFont monospaceFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);

// A rounded rectangle with continuous (squircle-like) corners: the curvature ramps in over a longer
// stretch of each edge than a circular arc does, which reads softer at small sizes.
QPainterPath continuousRoundedRect(const QRectF &rect, qreal radius);

} // namespace Theme
