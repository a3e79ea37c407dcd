#include "core/DropShadow.h"

#include "core/GaussianBlur.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// The colour of the shadow for every mask value, premultiplied.
std::array<QRgb, 256> tintTable(const QColor &color) {
    const QRgb c = color.rgba();
    std::array<QRgb, 256> table;
    for (int a = 0; a < 256; ++a) {
        const int alpha = (qAlpha(c) * a + 127) / 255;
        table[static_cast<size_t>(a)] = qPremultiply(qRgba(qRed(c), qGreen(c), qBlue(c), alpha));
    }
    return table;
}

// Every channel of a premultiplied pixel times a / 255.
inline QRgb scaled(QRgb p, uint a) {
    uint rb = (p & 0x00ff00ffu) * a;
    rb = ((rb + ((rb >> 8) & 0x00ff00ffu) + 0x00800080u) >> 8) & 0x00ff00ffu;
    uint ag = ((p >> 8) & 0x00ff00ffu) * a;
    ag = (ag + ((ag >> 8) & 0x00ff00ffu) + 0x00800080u) & 0xff00ff00u;
    return rb | ag;
}

bool finite(const QRectF &r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

// Offsets beyond this many pixels put the shadow off any canvas.
constexpr double maxOffset = 1 << 20;

// The blur and the offset split into whole pixels (moving the finished shadow) and a fraction (drawn
// into the mask).
struct Placement {
    double sigma = 0;
    double margin = 0; // how far the blur reaches beyond the shape
    QPoint shift;
    QPointF fraction;
};

std::optional<Placement> placementFor(const DropShadow::Style &style) {
    if (style.color.alpha() == 0 || !(std::abs(style.offset.x()) < maxOffset) ||
        !(std::abs(style.offset.y()) < maxOffset))
        return std::nullopt;
    Placement p;
    p.sigma = std::min(GaussianBlur::sigmaForShadowBlur(style.blur), GaussianBlur::maxSigma);
    p.margin = std::ceil(3 * p.sigma) + 2;
    p.shift = QPoint(static_cast<int>(std::floor(style.offset.x())), static_cast<int>(std::floor(style.offset.y())));
    p.fraction = style.offset - QPointF(p.shift);
    return p;
}

// The shadow over `shown`, a part of `region` (device pixels; the mask covers the whole region so that
// the blur has room): the shape that `paintShape` draws in the region's own pixels, blurred by σ and
// tinted. Null when the mask cannot be made.
QImage tinted(const QRect &region, const QRect &shown, double sigma, const QColor &color,
              const std::function<void(QPainter &)> &paintShape) {
    const GaussianBlur::SoftMask mask(region.size(), sigma, paintShape);
    QImage out(shown.size(), QImage::Format_ARGB32_Premultiplied);
    if (mask.isNull() || out.isNull()) return {};
    const std::array<QRgb, 256> table = tintTable(color);
    std::vector<uint8_t> coverage(static_cast<size_t>(shown.width()));
    for (int y = 0; y < shown.height(); ++y) {
        mask.readRow(shown.top() - region.top() + y, shown.left() - region.left(), shown.width(), coverage.data());
        auto *px = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < shown.width(); ++x) px[x] = table[coverage[static_cast<size_t>(x)]];
    }
    return out;
}

} // namespace

namespace DropShadow {

QImage render(const QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paintShape,
              const Style &style, QPoint *devicePosition) {
    const QPaintDevice *device = painter.device();
    const std::optional<Placement> at = placementFor(style);
    if (!device || !at) return {};
    const QTransform toDevice =
        painter.combinedTransform() * QTransform::fromTranslate(at->fraction.x(), at->fraction.y());
    const QRectF shape = toDevice.mapRect(bounds).adjusted(-at->margin, -at->margin, at->margin, at->margin);
    if (!finite(shape)) return {};
    // The mask reaches a margin beyond what can show, for the blur to draw on; the image only what shows.
    const QRect visible = QRect(0, 0, device->width(), device->height()).translated(-at->shift);
    const QRect region =
        shape.intersected(QRectF(visible).adjusted(-at->margin, -at->margin, at->margin, at->margin)).toAlignedRect();
    const QRect shown = region.intersected(visible);
    if (shown.isEmpty()) return {};

    QImage out = tinted(region, shown, at->sigma, style.color, [&](QPainter &p) {
        p.setTransform(toDevice * QTransform::fromTranslate(-region.x(), -region.y()), true);
        paintShape(p);
    });
    if (out.isNull()) return {};
    if (devicePosition) *devicePosition = shown.topLeft() + at->shift;
    return out;
}

QImage shapeShadow(const QPainterPath &shape, double blur, const QColor &color, qreal devicePixelRatio,
                   QPointF *topLeft) {
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const std::optional<Placement> at = placementFor(Style{QPointF(), blur * dpr, color});
    const QRectF bounds = shape.boundingRect();
    if (!at || bounds.isEmpty() || !finite(bounds)) return {};
    const int margin = static_cast<int>(at->margin);
    const QRect region(0, 0, static_cast<int>(std::ceil(bounds.width() * dpr)) + 2 * margin,
                       static_cast<int>(std::ceil(bounds.height() * dpr)) + 2 * margin);
    QImage out = tinted(region, region, at->sigma, color, [&](QPainter &p) {
        p.translate(margin, margin);
        p.scale(dpr, dpr);
        p.translate(-bounds.topLeft());
        p.fillPath(shape, Qt::black);
    });
    if (out.isNull()) return {};
    out.setDevicePixelRatio(dpr);
    if (topLeft) *topLeft = bounds.topLeft() - QPointF(margin, margin) / dpr;
    return out;
}

void paint(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paintShape,
           const Style &style) {
    QPoint at;
    const QImage shadow = render(painter, bounds, paintShape, style, &at);
    if (shadow.isNull()) return;
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(at, shadow);
    painter.restore();
}

void composite(QImage &canvas, const QPainterPath &shape, const Style &style, const QRect &skip) {
    const std::optional<Placement> at = placementFor(style);
    if (canvas.isNull() || canvas.format() != QImage::Format_ARGB32_Premultiplied || shape.isEmpty() || !at) return;
    const double margin = at->margin;
    const QPoint shift = at->shift;
    const QRectF bounds = shape.boundingRect().translated(at->fraction).adjusted(-margin, -margin, margin, margin);
    if (!finite(bounds)) return;
    const QRectF reach = QRectF(canvas.rect()).translated(-QPointF(shift)).adjusted(-margin, -margin, margin, margin);
    const QRect region = bounds.intersected(reach).toAlignedRect();
    if (region.isEmpty()) return;
    const GaussianBlur::SoftMask mask(region.size(), at->sigma, [&](QPainter &p) {
        p.translate(at->fraction - QPointF(region.topLeft()));
        p.fillPath(shape, Qt::black);
    });
    if (mask.isNull()) return;

    const std::array<QRgb, 256> table = tintTable(style.color);
    const QRect onCanvas = region.translated(shift).intersected(canvas.rect());
    std::vector<uint8_t> coverage(static_cast<size_t>(onCanvas.width()));
    auto blendSpan = [&](int y, int x0, int x1) {
        if (x1 <= x0) return;
        mask.readRow(y - shift.y() - region.top(), x0 - shift.x() - region.left(), x1 - x0, coverage.data());
        auto *px = reinterpret_cast<QRgb *>(canvas.scanLine(y));
        for (int x = x0; x < x1; ++x) {
            const uint8_t m = coverage[static_cast<size_t>(x - x0)];
            if (m == 0) continue;
            const QRgb src = table[m];
            px[x] = src + scaled(px[x], 255 - qAlpha(src));
        }
    };
    for (int y = onCanvas.top(); y <= onCanvas.bottom(); ++y) {
        if (y >= skip.top() && y <= skip.bottom() && !skip.isEmpty()) {
            blendSpan(y, onCanvas.left(), std::min(skip.left(), onCanvas.right() + 1));
            blendSpan(y, std::max(skip.right() + 1, onCanvas.left()), onCanvas.right() + 1);
        } else {
            blendSpan(y, onCanvas.left(), onCanvas.right() + 1);
        }
    }
}

} // namespace DropShadow
