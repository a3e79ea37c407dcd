#pragma once

#include "brand/art/BrandLogo.h"
#include "core/BeautyStyle.h"

#include <QImage>

#include <optional>

// Composes a screenshot onto its backdrop: uniform borders trimmed, a margin of backdrop around it,
// the canvas widened to the chosen aspect, rounded corners, a soft drop shadow and the brand logo in
// the margin above or below. Stateless; runs on any thread.
namespace Beautifier {

// The composed image (Format_ARGB32_Premultiplied), or a null image when there is no screenshot or no
// canvas can be made (an empty canvas, or one beyond platform::maxImagePixels / maxImageSide).
QImage render(const QImage &screenshot, const BeautyStyle &style, const std::optional<BrandLogo> &logo);

// The screenshot cut to what differs (by more than `tolerance` in any byte) from its top-left pixel,
// or a null image when nothing should be cut: nothing differs at the edges, the content would be
// under a fifth of either side, or the image is under 9 pixels on a side.
QImage trimUniformEdges(const QImage &image, int tolerance);

// The mean luma (0 black … 1 white) of the backdrop's colours; none when it is transparent or has no
// colours.
std::optional<double> backdropLuminance(const Backdrop &backdrop);

// Where things go on the canvas, in pixels, y downwards.
struct Layout {
    QSize canvas;      // the bitmap's size
    QRect frame;       // the screenshot, centred and on whole pixels so that it stays sharp
    double radius = 0; // of the screenshot's corners
};
// The layout for a screenshot of `source` pixels: a margin of 2 × padding (negative padding, or not a
// number, counts as 0) on every side, then widened to the aspect; none when the canvas would be
// empty or too large.
std::optional<Layout> layout(QSize source, const BeautyStyle &style);

// The logo's rectangle on the canvas: centred in the margin band on its side, its height a share of
// the band (small 0.32, medium 0.42, large 0.56, at most 48, 68 or 96 pixels), no wider than 0.3 of
// the canvas, at least 32 pixels from the side. None when the band is under 40 pixels or the logo
// is empty.
std::optional<QRectF> logoRect(const Layout &layout, QSize logo, LogoPosition position, LogoSize size);

// The variant a logo is drawn in on `backdrop`: auto_ becomes white on dark backdrops (luma below
// 0.55), black on light ones and original on a transparent one; other variants stand.
LogoVariant resolvedVariant(LogoVariant variant, const Backdrop &backdrop);

// `render` onto `plate`, drawn beforehand by `backplate(plateLayout, style, logo)` (say, while the
// screen was being read) and held by the caller alone: used when the screenshot's layout turns out to be
// `plateLayout`, otherwise a plate is drawn here as `render` does.
QImage renderOnto(QImage plate, const Layout &plateLayout, const QImage &screenshot, const BeautyStyle &style,
                  const std::optional<BrandLogo> &logo);

// `render` in three steps, for callers that keep the canvas of a style while the screenshot changes:
// render(s, style, logo) == compose(backplate(l, style, logo), l, placed) with placed =
// placedScreenshot(s, style) and l = layout(placed.size(), style).
//
// The screenshot as it is drawn: trimmed when the style balances it, at a device pixel ratio of 1;
// null for a null screenshot.
QImage placedScreenshot(const QImage &screenshot, const BeautyStyle &style);
// The canvas without the screenshot: backdrop, shadow and logo; null when it cannot be made.
QImage backplate(const Layout &layout, const BeautyStyle &style, const std::optional<BrandLogo> &logo);
// A copy of `plate` with `placed` drawn into the layout's frame (its own pixels only, corners
// rounded); null when either does not fit the layout. The pixels are written into `*storage`, which
// is then taken, when it is an image of the canvas's size and format that nothing else shares:
// callers that render one picture after another skip allocating (and the system zeroing) a canvas.
QImage compose(const QImage &plate, const Layout &layout, const QImage &placed, QImage *storage = nullptr);

} // namespace Beautifier
