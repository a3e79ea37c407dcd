#pragma once

#include "brand/BrandKit.h"
#include "tutorials/Tutorial.h"

#include <QColor>
#include <QString>
#include <QtGlobal>

// The colours and typeface of an exported guide, resolved for one theme.
struct TutorialPalette {
    QColor background;  // canvas or page, and under each screenshot
    QColor title;       // header title and step titles
    QColor body;        // step descriptions
    QColor muted;       // header date, footer line, PDF step label
    QColor accent;      // kicker, number badges, click markers
    QColor badgeText;   // digits inside badges and markers
    QColor border;      // outline around each screenshot
    QString fontFamily; // empty: the system font

    // The fixed palettes of the light and dark themes; the brand theme takes the brand's background,
    // text colour, font and the accent that stays readable on its background, and without a brand
    // looks light.
    static TutorialPalette of(TutorialTheme theme, const BrandSnapshot *brand = nullptr);
};

// The blend of two 0xRRGGBB colours, `t` being the weight of `a`: each channel rounded to the
// nearest whole value, halves away from zero.
quint32 mix(quint32 a, quint32 b, double t);
