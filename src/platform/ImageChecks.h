#pragma once

#include <QImage>
#include <QSize>
#include <QtGlobal>

// Checks made on a picture before heavy work is done with it.
namespace platform {

// The largest picture Pelicarta decodes, renders or encodes: an 8K screen with the widest margin fits
// well inside. Anything bigger comes from a hostile file or a runaway style (2^26 pixels are 256 MiB
// at 4 bytes, and every copy of the picture costs as much again).
inline constexpr qint64 maxImagePixels = qint64(1) << 26;
inline constexpr int maxImageSide = 32767;
// The largest picture file of a picture within those limits: its pixels stored without compression, with
// room for the format's framing and metadata.
inline constexpr qint64 maxPictureFileBytes = maxImagePixels * 4 + (qint64(16) << 20);

// Whether an image of `size` is non-empty and within the limits above.
constexpr bool fitsImageLimits(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= maxImageSide && size.height() <= maxImageSide &&
           qint64(size.width()) * size.height() <= maxImagePixels;
}

// Whether any pixel is less than fully opaque. A format with an alpha channel says nothing about
// the pixels themselves; this looks at them (and stops at the first transparent one).
bool hasTransparentPixels(const QImage &image);

} // namespace platform
