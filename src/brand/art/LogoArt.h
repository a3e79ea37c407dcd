#pragma once

#include "brand/art/BrandLogo.h"

#include <QImage>
#include <QList>

#include <optional>

// Colours of a logo and the logo recoloured for a variant.
namespace LogoArt {

// The logo's main colours (0xRRGGBB), most frequent first, at most `limit`: pixels of alpha 160 or
// more, in cells of 16 levels per channel, each cell holding at least 0.5 % of them, colours closer
// than 48 to an earlier one left out.
QList<quint32> palette(const QImage &image, int limit);

struct Roles {
    quint32 primary = 0;
    std::optional<quint32> secondary;
    bool operator==(const Roles &) const = default;
};
// The first two colours that are neither too dark, too light nor too grey to lead a brand.
std::optional<Roles> suggestedRoles(const QList<quint32> &colors);

// The logo for a variant: the very same image for original and auto (callers resolve auto), every
// pixel white or near-black keeping its alpha, or a greyscale copy. The image unchanged when the copy
// cannot be made.
QImage tinted(const QImage &image, LogoVariant variant);

} // namespace LogoArt
