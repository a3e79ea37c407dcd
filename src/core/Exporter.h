#pragma once

#include "core/ExportSettings.h"

#include <QByteArray>
#include <QImage>

#include <optional>

// Brings a picture to its export scale and turns it into file bytes. Stateless; any thread.
namespace Exporter {

// The image to hand to `encode` or to the clipboard. PNG and HEIC at retina scale get the input
// back untouched (the very same image). Otherwise the picture is redrawn, at half size (rounded,
// at least 1 pixel a side) for the standard scale, and for JPEG onto opaque white, since JPEG has
// no transparency. Redrawn images are Format_ARGB32_Premultiplied. Never fails: when no new image
// can be made the input comes back.
QImage prepare(const QImage &image, const ExportSettings &settings);

// The file bytes of `image` in the settings' format; none for a null image, a picture beyond the
// image limits, or an encoder that fails. PNG ignores the quality; the scale is `prepare`'s job.
std::optional<QByteArray> encode(const QImage &image, const ExportSettings &settings);

// The bytes of `image` from Qt's writer for `format` ("png", "tiff", …), with the writer's own quality
// and compression unless given; none when the writer fails. No image limits are applied.
std::optional<QByteArray> encodeWithQt(const QImage &image, const char *format, int quality = -1, int compression = -1);

} // namespace Exporter
