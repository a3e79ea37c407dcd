#pragma once

#include <QImage>
#include <QString>

#include <optional>

class QIODevice;

namespace platform {

// PNG reading with bounded memory, through libpng directly: Qt's reader has no limit on the
// ancillary chunks, so a 282-byte file declaring a 1.5 GB text chunk made it allocate that much.
// Here the picture is checked against the image limits before its rows are allocated, no chunk other
// than the image data may ask for more than a few megabytes, text and other metadata are skipped
// unread, and nothing after the image data is read at all.
//
// Any thread; damaged or hostile input comes back as none, with a short reason in `error`.
namespace PngCodec {

// Whether `bytes` start with the PNG signature.
bool isPng(const QByteArray &bytes);

// Whether every chunk of the PNG in `bytes` lies within the bytes and, but for the image data, is no
// larger than a few megabytes: only then may another PNG reader (Qt's, which reads every chunk into
// memory at its declared size) be handed them.
bool chunksWithinLimits(const QByteArray &bytes);

// The picture read from `device` (from its current position): Format_ARGB32_Premultiplied when it
// has transparency, Format_RGB32 otherwise. With a non-empty `reduceTo` the picture comes back reduced
// as PixelReducer reduces it (still covering that size; Format_ARGB32_Premultiplied), without ever
// being held at full size (except for interlaced files, which are read whole first).
std::optional<QImage> decode(QIODevice &device, QSize reduceTo = {}, QString *error = nullptr);

} // namespace PngCodec
} // namespace platform
