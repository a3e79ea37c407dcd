#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace platform {

// What decoding a HEIF picture would allocate, read from the file's boxes before libheif decodes
// anything. libheif trusts the sizes a file declares: a 491-byte grid can ask for gigabytes, a tile
// whose parameter sets disagree with its declared extent decodes at the larger size, an overlay can
// spread one tile over a canvas of hundreds of megapixels.
namespace HeifLayout {

// Reads `size` bytes at `offset` into `out`; false when they are not all there. Must not move any
// position another reader of the same file relies on.
using ReadAt = std::function<bool(qint64 offset, qint64 size, char *out)>;

// Whether decoding item `item` (0: the primary picture), with the auxiliary pictures attached to it
// (its alpha plane), stays within the image limits (ImageChecks.h): every coded picture at the larger
// of its declared extent and the size its HEVC parameter sets give, every grid and overlay canvas, and
// the tiles of a grid together. Anything it cannot account for (other codings, missing parameter sets,
// deep or broken references) fails too, with a short reason in `error`.
bool decodeFitsLimits(qint64 fileSize, const ReadAt &read, quint32 item, QString *error = nullptr);

} // namespace HeifLayout
} // namespace platform
