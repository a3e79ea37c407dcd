#include "core/Beautifier.h"

#include "brand/art/LogoArt.h"
#include "core/BackdropRenderer.h"
#include "core/DropShadow.h"
#include "core/Luma.h"
#include "platform/ImageChecks.h"

#include <QColorSpace>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int trimTolerance = 10;
constexpr int minimumTrimSide = 9;
constexpr double minimumLogoBand = 40;
constexpr double minimumLogoInset = 32;
constexpr double logoMaxWidthShare = 0.3;

// The shadow under the screenshot: 28 pixels downwards, blur 88, a deep violet at half strength.
const DropShadow::Style screenshotShadow{QPointF(0, 28), 88, QColor::fromRgbF(0.03f, 0.02f, 0.1f, 0.5f)};

struct LogoScale {
    double share;
    double largest;
};

LogoScale logoScale(LogoSize size) {
    switch (size) {
    case LogoSize::small: return {0.32, 48};
    case LogoSize::medium: return {0.42, 68};
    case LogoSize::large: return {0.56, 96};
    }
    return {0.42, 68};
}

// Formats whose 4-byte pixels compare byte by byte as premultiplied colours.
bool comparableAsIs(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGBX8888 ||
           f == QImage::Format_RGBA8888_Premultiplied;
}

class UniformScan {
public:
    UniformScan(const QImage &image, int tolerance)
        : m_bits(image.constBits()), m_stride(image.bytesPerLine()), m_width(image.width()), m_tolerance(tolerance) {
        std::memcpy(m_reference, m_bits, 4);
    }
    bool differs(int x, int y) const {
        const uchar *p = m_bits + static_cast<qsizetype>(y) * m_stride + static_cast<qsizetype>(x) * 4;
        for (int i = 0; i < 4; ++i)
            if (std::abs(p[i] - m_reference[i]) > m_tolerance) return true;
        return false;
    }
    bool rowDiffers(int y) const {
        for (int x = 0; x < m_width; x += 2)
            if (differs(x, y)) return true;
        return false;
    }
    bool columnDiffers(int x, int top, int bottom) const {
        for (int y = top; y <= bottom; y += 2)
            if (differs(x, y)) return true;
        return false;
    }

private:
    const uchar *m_bits;
    qsizetype m_stride;
    int m_width;
    int m_tolerance;
    uchar m_reference[4];
};

// The part `rect` of `image` without copying its pixels: the part keeps the whole image alive and is
// read-only (anything that writes to it copies it first).
QImage sharedPart(const QImage &image, const QRect &rect) {
    if (image.depth() % 8 != 0 || image.format() == QImage::Format_Indexed8) return image.copy(rect);
    auto *whole = new QImage(image);
    const uchar *start = whole->constBits() + static_cast<qsizetype>(rect.y()) * whole->bytesPerLine() +
                         static_cast<qsizetype>(rect.x()) * (whole->depth() / 8);
    QImage part(
        start, rect.width(), rect.height(), whole->bytesPerLine(), whole->format(),
        [](void *info) { delete static_cast<QImage *>(info); }, whole);
    if (part.isNull()) {
        delete whole;
        return image.copy(rect);
    }
    part.setColorSpace(image.colorSpace());
    part.setDotsPerMeterX(image.dotsPerMeterX());
    part.setDotsPerMeterY(image.dotsPerMeterY());
    return part;
}

void drawShadow(QImage &canvas, const Beautifier::Layout &layout, const QPainterPath &outline) {
    // The screenshot replaces everything inside its outline, so the shadow is only laid around it.
    const int r = static_cast<int>(std::ceil(layout.radius));
    DropShadow::composite(canvas, outline, screenshotShadow, layout.frame.adjusted(0, r, 0, -r));
}

QPainterPath screenshotOutline(const Beautifier::Layout &layout) {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(layout.frame), layout.radius, layout.radius);
    return outline;
}

// Formats whose pixels are stored as premultiplied 0xAARRGGBB words, ready to copy into the canvas.
bool copiesAsIs(QImage::Format f) { return f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGB32; }

// Copies `width` pixels of row `y` of `from`, starting at `fromX`, into `to` at (`toX`, `toY`).
void copyPixels(const QImage &from, int fromX, int y, QImage &to, int toX, int toY, int width) {
    if (width <= 0) return;
    std::memcpy(to.scanLine(toY) + static_cast<qsizetype>(toX) * 4,
                from.constScanLine(y) + static_cast<qsizetype>(fromX) * 4, static_cast<size_t>(width) * 4);
}

int cornerRadius(const Beautifier::Layout &layout) {
    const QRect frame = layout.frame;
    return std::min(static_cast<int>(std::ceil(layout.radius)), std::min(frame.width(), frame.height()) / 2);
}

// The canvas: the plate everywhere but in the frame, the screenshot inside it, each pixel written
// once; only the rounded corners are drawn through a clip. `plate` null: `out` holds the plate already
// and only the screenshot is written into it.
QImage composed(const QImage &plate, const Beautifier::Layout &layout, const QImage &source, QImage out) {
    if (out.isNull()) return {};
    const QRect frame = layout.frame;
    const int r = cornerRadius(layout);
    const bool inPlace = plate.isNull();
    for (int y = 0; y < out.height(); ++y) {
        if (y < frame.top() || y > frame.bottom()) {
            if (!inPlace) copyPixels(plate, 0, y, out, 0, y, out.width());
            continue;
        }
        // In the bands of the corners, the corners keep the plate for now.
        const bool cornerRow = y < frame.top() + r || y > frame.bottom() - r;
        const int inset = cornerRow ? r : 0;
        if (!inPlace) copyPixels(plate, 0, y, out, 0, y, frame.left() + inset);
        copyPixels(source, inset, y - frame.top(), out, frame.left() + inset, y, frame.width() - 2 * inset);
        if (!inPlace)
            copyPixels(plate, frame.right() + 1 - inset, y, out, frame.right() + 1 - inset, y,
                       out.width() - frame.right() - 1 + inset);
    }
    if (r <= 0) return out;
    QPainter p(&out);
    if (!p.isActive()) return {};
    p.setRenderHint(QPainter::Antialiasing);
    // Inside the outline only the screenshot remains: its transparent parts stay transparent.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setClipPath(screenshotOutline(layout));
    for (const QRect &corner : {QRect(frame.left(), frame.top(), r, r), QRect(frame.right() + 1 - r, frame.top(), r, r),
                                QRect(frame.left(), frame.bottom() + 1 - r, r, r),
                                QRect(frame.right() + 1 - r, frame.bottom() + 1 - r, r, r)})
        p.drawImage(corner.topLeft(), source, corner.translated(-frame.topLeft()));
    return out;
}

QImage composedAnyFormat(const QImage &plate, const Beautifier::Layout &layout, const QImage &placed, QImage out) {
    if (copiesAsIs(placed.format())) return composed(plate, layout, placed, std::move(out));
    const QImage converted = placed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (converted.isNull()) return {};
    return composed(plate, layout, converted, std::move(out));
}

void drawLogo(QPainter &p, const Beautifier::Layout &layout, const BrandLogo &logo, const Backdrop &backdrop) {
    const std::optional<QRectF> rect = Beautifier::logoRect(layout, logo.image.size(), logo.position, logo.size);
    if (!rect) return;
    QImage art = LogoArt::tinted(logo.image, Beautifier::resolvedVariant(logo.variant, backdrop));
    // Scaling down in one step averages every pixel; drawing then only places it.
    const QSize target(static_cast<int>(std::ceil(rect->width())), static_cast<int>(std::ceil(rect->height())));
    if (art.width() > 2 * target.width() || art.height() > 2 * target.height())
        art = art.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(*rect, art);
    p.restore();
}

} // namespace

namespace Beautifier {

std::optional<Layout> layout(QSize source, const BeautyStyle &style) {
    if (source.width() < 1 || source.height() < 1) return std::nullopt;
    // Not a number counts as no padding, like a negative one; an infinite one fails below.
    const double padding = style.padding > 0 ? style.padding : 0;
    const double w = source.width(), h = source.height();
    double width = w + 4 * padding, height = h + 4 * padding;
    if (const std::optional<double> ratio = aspectRatioValue(style.aspect)) {
        if (width / height > *ratio) height = width / *ratio;
        else width = height * *ratio;
    }
    // Checked as real numbers first, so that nothing absurd is ever converted or allocated.
    if (!(width < platform::maxImageSide + 0.5) || !(height < platform::maxImageSide + 0.5)) return std::nullopt;
    const int pw = static_cast<int>(std::round(width)), ph = static_cast<int>(std::round(height));
    if (pw < 1 || ph < 1 || qint64(pw) * ph > platform::maxImagePixels) return std::nullopt;
    Layout l;
    l.canvas = QSize(pw, ph);
    l.frame = QRect((pw - source.width()) / 2, (ph - source.height()) / 2, source.width(), source.height());
    l.radius = style.roundedCorners ? std::min(0.25 * std::min(w, h), 24.0) : 0;
    return l;
}

std::optional<QRectF> logoRect(const Layout &layout, QSize logo, LogoPosition position, LogoSize size) {
    if (logo.width() < 1 || logo.height() < 1) return std::nullopt;
    const double canvasW = layout.canvas.width(), canvasH = layout.canvas.height();
    const bool top = LogoPositions::isTop(position);
    const double band = top ? layout.frame.top() : canvasH - (layout.frame.top() + layout.frame.height());
    if (band < minimumLogoBand) return std::nullopt;
    const double aspect = static_cast<double>(logo.width()) / logo.height();
    const LogoScale scale = logoScale(size);
    double height = std::min(band * scale.share, scale.largest);
    double width = aspect * height;
    if (logoMaxWidthShare * canvasW < width) {
        width = logoMaxWidthShare * canvasW;
        height = width / aspect;
    }
    const double y0 = (band - height) / 2;
    const double x0 = std::max(y0, minimumLogoInset);
    double x = x0;
    if (position == LogoPosition::topCenter || position == LogoPosition::bottomCenter) x = (canvasW - width) / 2;
    if (position == LogoPosition::topRight || position == LogoPosition::bottomRight) x = canvasW - x0 - width;
    const double y = top ? y0 : canvasH - y0 - height;
    return QRectF(x, y, width, height);
}

LogoVariant resolvedVariant(LogoVariant variant, const Backdrop &backdrop) {
    if (variant != LogoVariant::auto_) return variant;
    const std::optional<double> luma = backdropLuminance(backdrop);
    if (!luma) return LogoVariant::original;
    return *luma < 0.55 ? LogoVariant::white : LogoVariant::black;
}

QImage placedScreenshot(const QImage &screenshot, const BeautyStyle &style) {
    if (screenshot.isNull()) return {};
    QImage source = screenshot;
    if (style.autoBalance) {
        const QImage trimmed = trimUniformEdges(screenshot, trimTolerance);
        if (!trimmed.isNull()) source = trimmed;
    }
    // Everything here is in pixels: a screenshot of a high-density screen is drawn pixel for pixel.
    if (source.devicePixelRatio() != 1) source.setDevicePixelRatio(1);
    return source;
}

QImage backplate(const Layout &layout, const BeautyStyle &style, const std::optional<BrandLogo> &logo) {
    QImage canvas(layout.canvas, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return {};
    // A backdrop that cannot be drawn (a mesh without colours) leaves the canvas clear, never garbage.
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    if (!p.isActive()) return {};
    p.setRenderHint(QPainter::Antialiasing);
    // The whole bitmap, so that no sliver at a rounded edge is left half covered.
    BackdropRenderer::draw(style.backdrop, QRectF(QPointF(0, 0), QSizeF(layout.canvas)), p);
    if (style.shadow) {
        p.end(); // the shadow is laid straight onto the pixels
        drawShadow(canvas, layout, screenshotOutline(layout));
        p.begin(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
    }
    // The logo sits in the margin, clear of the screenshot, so it can be drawn before it.
    if (logo && !logo->image.isNull()) drawLogo(p, layout, *logo, style.backdrop);
    p.end();
    return canvas;
}

QImage compose(const QImage &plate, const Layout &layout, const QImage &placed, QImage *storage) {
    if (plate.isNull() || plate.size() != layout.canvas || plate.format() != QImage::Format_ARGB32_Premultiplied ||
        placed.size() != layout.frame.size())
        return {};
    // Every pixel is written, so an old canvas serves as well as a new one.
    const bool reusable = storage && storage->isDetached() && storage->size() == plate.size() &&
                          storage->format() == QImage::Format_ARGB32_Premultiplied;
    QImage out = reusable ? std::move(*storage) : QImage(plate.size(), QImage::Format_ARGB32_Premultiplied);
    return composedAnyFormat(plate, layout, placed, std::move(out));
}

QImage render(const QImage &screenshot, const BeautyStyle &style, const std::optional<BrandLogo> &logo) {
    return renderOnto({}, {}, screenshot, style, logo);
}

QImage renderOnto(QImage plate, const Layout &plateLayout, const QImage &screenshot, const BeautyStyle &style,
                  const std::optional<BrandLogo> &logo) {
    const QImage source = placedScreenshot(screenshot, style);
    if (source.isNull()) return {};
    const std::optional<Layout> l = layout(source.size(), style);
    if (!l) return {};
    const bool fits = !plate.isNull() && plate.size() == l->canvas && plateLayout.canvas == l->canvas &&
                      plateLayout.frame == l->frame && plateLayout.radius == l->radius &&
                      plate.format() == QImage::Format_ARGB32_Premultiplied;
    if (!fits) plate = backplate(*l, style, logo);
    if (plate.isNull()) return {};
    // The plate is ours alone: the screenshot goes straight into it, no second canvas.
    return composedAnyFormat({}, *l, source, std::move(plate));
}

QImage trimUniformEdges(const QImage &image, int tolerance) {
    const int w = image.width(), h = image.height();
    if (w < minimumTrimSide || h < minimumTrimSide) return {};
    // Other formats are compared through a premultiplied copy, never made of an image too large to render.
    const bool asIs = comparableAsIs(image.format());
    if (!asIs && qint64(w) * h > platform::maxImagePixels) return {};
    const QImage pixels = asIs ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) return {};
    const UniformScan scan(pixels, tolerance);

    int top = 0;
    while (top <= h - 2 && !scan.rowDiffers(top)) ++top;
    int bottom = h - 1;
    if (top > h - 2) {
        top = bottom = h - 1;
    } else {
        while (bottom > top && !scan.rowDiffers(bottom)) --bottom;
    }
    int left = 0;
    while (left <= w - 2 && !scan.columnDiffers(left, top, bottom)) ++left;
    int right = w - 1;
    if (left > w - 2) {
        left = right = w - 1;
    } else {
        while (right > left && !scan.columnDiffers(right, top, bottom)) --right;
    }
    if (left == 0 && top == 0 && right == w - 1 && bottom == h - 1) return {};
    const int cw = right - left + 1, ch = bottom - top + 1;
    if (cw < w / 5 || ch < h / 5) return {};
    return sharedPart(image, QRect(left, top, cw, ch));
}

std::optional<double> backdropLuminance(const Backdrop &backdrop) {
    if (backdrop.kind == Backdrop::Kind::transparent || backdrop.colors.isEmpty()) return std::nullopt;
    double sum = 0;
    for (quint32 c : backdrop.colors) sum += lumaOf(c);
    return sum / static_cast<double>(backdrop.colors.size());
}

} // namespace Beautifier
