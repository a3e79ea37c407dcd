#pragma once

#include "brand/art/BrandLogo.h"

#include <QJsonObject>
#include <QJsonValue>

#include <optional>

// The user's brand, as far as beautified screenshots need it: whether and how the logo is stamped.
// Stored as a JSON object under "brand.kit".
struct BrandKit {
    bool logoOnScreenshots = false;
    LogoPosition logoPosition = LogoPosition::bottomRight;
    LogoVariant logoVariant = LogoVariant::original;
    LogoSize logoSize = LogoSize::medium;

    bool operator==(const BrandKit &) const = default;

    // The four keys written into `stored`; every other key of it is kept as it was.
    QJsonObject toJson(QJsonObject stored = {}) const;
    // Every key is optional. A "logoOnScreenshots" that is present and not a Boolean (null aside)
    // fails the whole document; an unreadable placement keeps its default. Anything but an object
    // fails.
    static std::optional<BrandKit> fromJson(const QJsonValue &json);
};
