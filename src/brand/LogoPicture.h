#pragma once

#include "brand/LogoRenderFrames.h"
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
    QImage bitmap;                            // a raster picture
    QSizeF points;                            // a vector picture's size
    std::function<QImage(QSize pixels)> draw; // a vector picture drawn to exactly `pixels`

    bool isVector() const { return bool(draw); }
};

// The readers behind the logo loader. Every one runs on any thread, refuses pictures larger than
// maxPixels before decoding them and never throws; sRGB comes out whatever profile went in.
namespace LogoPictures {

// Files above this are not read at all.
inline constexpr qint64 maxFileBytes = qint64(100) << 20;
// The largest raster picture decoded (as declared by its header).
inline constexpr qint64 maxPixels = qint64(1) << 26;

// Which vector document the bytes hold, when they are one that only a document renderer draws:
// PostScript (by its signature) or SVG (as Qt's readers tell it, `formatHint` being the file's
// extension); none for everything else. PDF is told by its signature by the caller.
std::optional<LogoRenderFrames::Kind> documentKind(const QByteArray &bytes, const QByteArray &formatHint);

// A raster picture: HEIC through libheif, every picture format Qt reads (PNG, JPEG, GIF, BMP, TIFF, WebP,
// ICNS, TGA, …) as a bitmap, never a document.
std::optional<LogoPicture> readRaster(const QByteArray &bytes, const QByteArray &formatHint, QSize fit);

// A document read in this process, as a vector picture: PDF through poppler, PostScript through
// ghostscript (none when `ghostscript` names no program that is there), SVG with nothing outside it
// (SelfContainedSvg). Drawing them takes unbounded time and memory, so only the logo render process
// (LogoRenderChild) calls this.
std::optional<LogoPicture> readDocument(LogoRenderFrames::Kind kind, const QByteArray &bytes,
                                        const platform::Ghostscript::Limits &ghostscript, int timeoutMs);

// A raster picture through Qt's readers (picture formats only; of a file holding several sizes, the one
// with the most rows; larger than `fit`, decoded scaled down where the format can: JPEG), or a null
// image. `formatHint` is the file's extension.
QImage readBitmap(const QByteArray &bytes, const QByteArray &formatHint, QSize fit = {});

// How big a picture of `size` is drawn to fit `box`: a bitmap only ever shrinks, a vector is made to
// touch the box; each side its integer part, at least 1. Invalid for an empty or non-finite size.
QSize fittedSize(QSizeF size, QSize box, bool enlarge);

} // namespace LogoPictures
