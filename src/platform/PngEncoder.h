#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace platform {

// A fast PNG writer for large pictures (captures on their way to the clipboard). The rows are
// filtered and deflated in horizontal strips on several threads at once; each strip is one stretch of
// a single zlib stream (ended by a sync flush, as pigz does), so any PNG reader reads the file.
// Any thread; several encodings may run at the same time.
namespace PngEncoder {

// The PNG row filter used on every row (the adaptive choice tries all five per row).
enum class Filter { none, sub, up, average, paeth, adaptive };

struct Options {
    int level = 1; // zlib level, 0 (stored) … 9
    Filter filter = Filter::up;
    int threads = 0; // at most this many threads at once; 0: one per core
};

// The image as PNG bytes: 8-bit RGB when every pixel is opaque, else RGBA with straight alpha. None
// for a null image, one beyond the pixel budget (maxImagePixels; a side may be longer than
// maxImageSide), or when memory runs out.
std::optional<QByteArray> encode(const QImage &image, const Options &options = {});

} // namespace PngEncoder

} // namespace platform
