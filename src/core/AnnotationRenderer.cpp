#include "core/AnnotationRenderer.h"

#include "core/ColorValue.h"
#include "core/DropShadow.h"
#include "core/Luma.h"
#include "core/SystemFont.h"

#include <QColorSpace>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Crops smaller than this on a side are ignored.
constexpr int minimumCropSide = 8;

QColor colorOf(quint32 c, double alpha = 1) {
    QColor color = colorFromHex(c);
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

double fontSize(const Annotation &a) { return std::max(5 * a.width, 14.0); }

// The shadow of arrows, boxes and labels: black at 0.35, blur 1.6 × width, 0.4 × width downwards.
DropShadow::Style markShadow(const Annotation &a) {
    return {QPointF(0, 0.4 * a.width), 1.6 * a.width, QColor(0, 0, 0, qRound(0.35 * 255))};
}

QPainterPath roundedBox(const QRectF &box, double radius) {
    QPainterPath path;
    const double r = std::clamp(radius, 0.0, std::min(box.width(), box.height()) / 2);
    path.addRoundedRect(box, r, r);
    return path;
}

// The integral crop rectangle inside the image, or nothing when the crop does not count.
std::optional<QRect> usableCrop(const std::optional<QRectF> &crop, QSize size) {
    if (!crop) return std::nullopt;
    const QRectF c = crop->normalized();
    if (!std::isfinite(c.x()) || !std::isfinite(c.y()) || !std::isfinite(c.width()) || !std::isfinite(c.height()))
        return std::nullopt;
    // Clamp before converting, so that absurd values cannot overflow.
    auto edge = [](double v, int limit) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(limit))); };
    const int left = edge(std::floor(c.left()), size.width()), top = edge(std::floor(c.top()), size.height());
    const int right = edge(std::ceil(c.right()), size.width()), bottom = edge(std::ceil(c.bottom()), size.height());
    if (right - left < minimumCropSide || bottom - top < minimumCropSide) return std::nullopt;
    return QRect(left, top, right - left, bottom - top);
}

void drawBlurs(QPainter &p, const QImage &whole, const QList<Annotation> &annotations) {
    const bool any = std::any_of(annotations.begin(), annotations.end(),
                                 [](const Annotation &a) { return a.kind.type == Annotation::Kind::blur; });
    if (!any) return;
    const QImage mosaic = AnnotationRenderer::pixelate(whole);
    if (mosaic.isNull()) return;
    // One stretch of one mosaic over the whole image: every blur shows the same grid of blocks.
    const QRectF everywhere(0, 0, whole.width(), whole.height());
    for (const Annotation &a : annotations) {
        if (a.kind.type != Annotation::Kind::blur) continue;
        const QRectF box = a.box();
        if (!(box.width() > 1) || !(box.height() > 1)) continue;
        p.save();
        p.setClipRect(box, Qt::IntersectClip);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(everywhere, mosaic);
        p.restore();
    }
}

void paintMark(QPainter &p, const Annotation &a, double fontDpi) {
    const QColor color = colorOf(a.color);
    switch (a.kind.type) {
    case Annotation::Kind::arrow: {
        const QPainterPath path = AnnotationRenderer::arrowPath(a.start, a.end, a.width);
        if (path.isEmpty()) return;
        DropShadow::paint(
            p, path.boundingRect(), [&](QPainter &m) { m.fillPath(path, Qt::black); }, markShadow(a));
        p.fillPath(path, color);
        return;
    }
    case Annotation::Kind::rectangle: {
        const QRectF box = a.box();
        const QPainterPath path = roundedBox(box, std::min(0.5 * std::min(box.width(), box.height()), 1.6 * a.width));
        QPen pen(color, a.width);
        pen.setJoinStyle(Qt::MiterJoin);
        const double reach = a.width;
        DropShadow::paint(
            p, box.adjusted(-reach, -reach, reach, reach),
            [&](QPainter &m) {
                QPen black = pen;
                black.setColor(Qt::black);
                m.strokePath(path, black);
            },
            markShadow(a));
        p.strokePath(path, pen);
        return;
    }
    case Annotation::Kind::highlight: {
        const QRectF box = a.box();
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.fillPath(roundedBox(box, std::min(box.height() / 6, 6.0)), colorOf(a.color, 0.45));
        return;
    }
    case Annotation::Kind::blur: return; // drawn before every other mark
    case Annotation::Kind::text: {
        if (a.kind.string.isEmpty()) return;
        const double s = fontSize(a);
        const QRectF pill = AnnotationRenderer::textBounds(a);
        const QPainterPath path = roundedBox(pill, 0.35 * s);
        DropShadow::paint(
            p, pill, [&](QPainter &m) { m.fillPath(path, Qt::black); }, markShadow(a));
        p.fillPath(path, color);
        const AnnotationRenderer::TextAttributes attributes = AnnotationRenderer::textAttributes(a);
        p.setFont(SystemFont::font(s, QFont::DemiBold, fontDpi));
        p.setPen(attributes.foreground);
        const QPointF origin(pill.left() + 0.45 * s, pill.top() + 0.25 * s);
        p.drawText(QRectF(origin, pill.bottomRight()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   a.kind.string);
        return;
    }
    }
}

// A copy of `image` to draw on, in Format_ARGB32_Premultiplied, written into `*storage` (taken) when
// that is an unshared image of the right size and format. RGB32 pixels are stored as 0xffRRGGBB,
// which already is their opaque premultiplied form: copying them is several times faster than
// converting them.
QImage drawable(const QImage &image, QImage *storage) {
    const bool copiable =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
    if (!copiable) return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (storage && storage->isDetached() && storage->size() == image.size() &&
        storage->format() == QImage::Format_ARGB32_Premultiplied) {
        QImage out = std::move(*storage);
        const size_t row = static_cast<size_t>(image.width()) * 4;
        for (int y = 0; y < image.height(); ++y) std::memcpy(out.scanLine(y), image.constScanLine(y), row);
        out.setColorSpace(image.colorSpace());
        out.setDevicePixelRatio(image.devicePixelRatio());
        out.setDotsPerMeterX(image.dotsPerMeterX());
        out.setDotsPerMeterY(image.dotsPerMeterY());
        return out;
    }
    QImage copy = image.copy();
    if (copy.isNull() || !copy.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied)) return {};
    return copy;
}

} // namespace

namespace AnnotationRenderer {

QImage render(const QImage &image, std::optional<QRectF> crop, const QList<Annotation> &annotations, QImage *storage) {
    if (image.isNull()) return image;
    QImage base = image;
    QPoint offset;
    if (const std::optional<QRect> rect = usableCrop(crop, image.size())) {
        const QImage cut = image.copy(*rect);
        if (!cut.isNull()) {
            base = cut;
            offset = rect->topLeft();
        }
    }
    if (annotations.isEmpty()) return base;

    QImage canvas = drawable(base, storage);
    if (canvas.isNull() || !canvas.bits()) return base;
    // Marks are in pixels: paint without the image's screen density, and without its resolution, so
    // that label fonts are sized in pixels too. Both are given back afterwards.
    const qreal density = canvas.devicePixelRatio();
    canvas.setDevicePixelRatio(1);
    const std::pair<int, int> resolution = SystemFont::useOnePixelPerPoint(canvas);
    {
        QPainter p(&canvas);
        if (!p.isActive()) return base;
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        // Marks are in pixels of the whole image; the cut picture starts at the crop's corner.
        p.translate(-QPointF(offset));
        drawBlurs(p, image, annotations);
        for (const Annotation &a : annotations) {
            p.save();
            paintMark(p, a, SystemFont::pixelDpi);
            p.restore();
        }
    }
    canvas.setDotsPerMeterX(resolution.first);
    canvas.setDotsPerMeterY(resolution.second);
    canvas.setDevicePixelRatio(density);
    return canvas;
}

void drawMark(QPainter &painter, const Annotation &annotation, double fontDpi) {
    if (annotation.kind.type == Annotation::Kind::blur) return;
    painter.save();
    paintMark(painter, annotation, fontDpi);
    painter.restore();
}

QImage pixelate(const QImage &image) {
    if (image.isNull()) return {};
    const double block = std::max(std::max(image.width(), image.height()) / 90.0, 10.0);
    const int w = std::max(1, static_cast<int>(image.width() / block));
    const int h = std::max(1, static_cast<int>(image.height() / block));
    QImage mosaic = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mosaic.isNull()) return {};
    return mosaic.format() == QImage::Format_ARGB32_Premultiplied
               ? mosaic
               : mosaic.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QPainterPath arrowPath(QPointF from, QPointF to, double width) {
    QPainterPath path;
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 1) || !std::isfinite(length) || !std::isfinite(width)) return path;
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    const double head = std::min(0.6 * length, std::max(4.2 * width, 14.0));
    const QPointF base = to - u * head;
    path.moveTo(from + n * (width / 4));
    path.lineTo(base + n * (width / 2));
    path.lineTo(base + n * (0.45 * head));
    path.lineTo(to);
    path.lineTo(base - n * (0.45 * head));
    path.lineTo(base - n * (width / 2));
    path.lineTo(from - n * (width / 4));
    path.closeSubpath();
    return path;
}

QColor textColor(quint32 color) {
    if (lumaOf(color) > 0.62) return QColor::fromRgbF(0.08f, 0.07f, 0.12f);
    return QColor(Qt::white);
}

TextAttributes textAttributes(const Annotation &annotation) {
    return {SystemFont::font(fontSize(annotation), QFont::DemiBold), textColor(annotation.color)};
}

QRectF textBounds(const Annotation &annotation) {
    const double s = fontSize(annotation);
    const QString text = annotation.kind.type == Annotation::Kind::text && !annotation.kind.string.isEmpty()
                             ? annotation.kind.string
                             : QStringLiteral(" ");
    // Measured on a 72-dpi device, where the font's size is in pixels.
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    SystemFont::useOnePixelPerPoint(device);
    const QSizeF size = QFontMetricsF(textAttributes(annotation).font, &device).size(Qt::TextSingleLine, text);
    return QRectF(annotation.start,
                  QSizeF(std::ceil(size.width()) + 2 * 0.45 * s, std::ceil(size.height()) + 2 * 0.25 * s));
}

} // namespace AnnotationRenderer
