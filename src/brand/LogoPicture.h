#pragma once

#include "platform/Ghostscript.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <functional>
#include <optional>

// A logo file's picture before it is rasterised: a bitmap, or a vector drawing with its size in
// points that can be drawn at any pixel size.
struct LogoPicture {
    QImage bitmap;                                // a raster picture
    QSizeF points;                                // a vector picture's size
    std::function<QImage(QSize pixels)> draw;     // a vector picture drawn to exactly `pixels`

    bool isVector() const { return bool(draw); }
};

// The readers behind the logo loader. Every one runs on any thread, refuses pictures larger than
// maxPixels before decoding them and never throws; sRGB comes out whatever profile went in.
namespace LogoPictures {

// Files above this are not read at all.
inline constexpr qint64 maxFileBytes = qint64(100) << 20;
// The largest raster picture decoded (as declared by its header).
inline constexpr qint64 maxPixels = qint64(1) << 26;

// What the system's image readers make of the bytes: HEIC through libheif, PostScript through
// ghostscript (when `ghostscript` names a program that is there), SVG as a vector, and every other
// format Qt reads (PNG, JPEG, GIF, BMP, TIFF, WebP, ICNS, TGA, …) as a bitmap; of a file holding
// several sizes, the one with the most rows. Bitmaps larger than `fit` are decoded scaled down where
// the format can (JPEG). `formatHint` is the file's extension.
std::optional<LogoPicture> read(const QByteArray &bytes, const QByteArray &formatHint,
                                const platform::Ghostscript::Limits &ghostscript, QSize fit);

// The first page of PDF data; none when poppler will not take it.
std::optional<LogoPicture> readPdf(const QByteArray &bytes);

// A raster picture through Qt's readers (see read), or a null image.
QImage readBitmap(const QByteArray &bytes, const QByteArray &formatHint, QSize fit = {});

// How big a picture of `size` is drawn to fit `box`: a bitmap only ever shrinks, a vector is made to
// touch the box; each side its integer part, at least 1. Invalid for an empty or non-finite size.
QSize fittedSize(QSizeF size, QSize box, bool enlarge);

} // namespace LogoPictures
