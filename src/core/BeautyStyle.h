#pragma once

#include "core/AspectRatio.h"
#include "core/Backdrop.h"

#include <QJsonObject>
#include <QJsonValue>

#include <optional>

// How a screenshot is beautified.
struct BeautyStyle {
    Backdrop backdrop = Backdrop::defaults().first(); // aurora
    // The margin around the screenshot; the beautifier puts twice this many pixels of backdrop on
    // every side. A negative value counts as 0.
    double padding = 64;
    bool roundedCorners = true;
    bool shadow = true;
    bool autoBalance = true; // trim uniform borders of the screenshot first
    AspectRatio aspect = AspectRatio::auto_;

    bool operator==(const BeautyStyle &) const = default;

    // Always writes all six keys; never writes the old "backdropID".
    QJsonObject toJson() const;
    // Every key is optional (absent or null takes the default); without "backdrop" the older
    // "backdropID" names a built-in. A key of the wrong type, an unreadable backdrop, an unknown
    // aspect or a non-finite padding fails the whole value; a negative padding reads as 0.
    static std::optional<BeautyStyle> fromJson(const QJsonValue &json);
};
