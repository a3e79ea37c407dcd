#include "core/DropShadow.h"

#include "core/GaussianBlur.h"

#include <QImage>
#include <QPainter>

#include <array>
#include <cmath>

namespace DropShadow {

QImage render(const QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &paintShape,
              const Style &style, QPoint *devicePosition) {
    const QPaintDevice *device = painter.device();
    if (!device || style.color.alpha() == 0 || !std::isfinite(style.offset.x()) || !std::isfinite(style.offset.y()))
        return {};
    const double sigma = GaussianBlur::sigmaForShadowBlur(style.blur);
    const double margin = std::ceil(3 * sigma) + 2;
    // Whole-pixel offsets move the finished shadow; the fraction goes into the mask.
    const QPoint shift(static_cast<int>(std::floor(style.offset.x())), static_cast<int>(std::floor(style.offset.y())));
    const QPointF fraction = style.offset - QPointF(shift);
    const QTransform toDevice = painter.combinedTransform() * QTransform::fromTranslate(fraction.x(), fraction.y());
    const QRectF shape = toDevice.mapRect(bounds).adjusted(-margin, -margin, margin, margin);
    const QRectF reach = QRectF(0, 0, device->width(), device->height()).translated(-QPointF(shift));
    const QRect region = shape.intersected(reach.adjusted(-margin, -margin, margin, margin)).toAlignedRect();
    if (region.isEmpty()) return {};

    QImage mask(region.size(), QImage::Format_Alpha8);
    if (mask.isNull()) return {};
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(toDevice * QTransform::fromTranslate(-region.x(), -region.y()));
        paintShape(p);
    }
    GaussianBlur::blurAlpha8(mask, sigma);
    if (devicePosition) *devicePosition = region.topLeft() + shift;
    return tint(mask, style.color);
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

QImage tint(const QImage &alpha8, const QColor &color) {
    QImage out(alpha8.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull()) return {};
    const QRgb c = color.rgba();
    std::array<QRgb, 256> table;
    for (int a = 0; a < 256; ++a) {
        const int alpha = (qAlpha(c) * a + 127) / 255;
        table[static_cast<size_t>(a)] = qPremultiply(qRgba(qRed(c), qGreen(c), qBlue(c), alpha));
    }
    for (int y = 0; y < alpha8.height(); ++y) {
        const uchar *in = alpha8.constScanLine(y);
        auto *px = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < alpha8.width(); ++x) px[x] = table[in[x]];
    }
    return out;
}

} // namespace DropShadow
