#include "app/SoftShadow.h"

#include "core/GaussianBlur.h"

#include <QCache>
#include <QPainter>
#include <QPainterPathStroker>

#include <cmath>

namespace SoftShadow {

namespace {

struct Mask {
    QImage alpha; // blurred silhouette, Format_Alpha8
    QPointF origin; // where its top-left goes, relative to the shape's bounds' top-left
};

const Mask *blurredMask(const QPainterPath &shape, qreal radius, qreal dpr) {
    static QCache<QString, Mask> cache(96);
    const QRectF bounds = shape.boundingRect();
    if (bounds.isEmpty() || !std::isfinite(bounds.width()) || bounds.width() * bounds.height() > 16e6) return nullptr;
    const double sigma = GaussianBlur::sigmaForShadowBlur(radius) * dpr;
    const int margin = int(std::ceil(3 * sigma)) + 2;

    // Shapes are cached by their geometry relative to their own bounds.
    const QPainterPath local = shape.translated(-bounds.topLeft());
    QString key = QStringLiteral("%1|%2|").arg(radius).arg(dpr);
    for (int i = 0; i < local.elementCount(); ++i) {
        const auto e = local.elementAt(i);
        key += QStringLiteral("%1,%2,%3;").arg(int(e.type)).arg(e.x, 0, 'f', 2).arg(e.y, 0, 'f', 2);
    }
    if (Mask *hit = cache.object(key)) return hit;

    auto *mask = new Mask;
    mask->alpha = QImage(int(std::ceil(bounds.width() * dpr)) + 2 * margin,
                         int(std::ceil(bounds.height() * dpr)) + 2 * margin, QImage::Format_Alpha8);
    mask->alpha.fill(0);
    {
        QPainter p(&mask->alpha);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(margin, margin);
        p.scale(dpr, dpr);
        p.fillPath(local, Qt::black);
    }
    GaussianBlur::blurAlpha8(mask->alpha, sigma);
    mask->alpha.setDevicePixelRatio(dpr);
    mask->origin = QPointF(-margin / dpr, -margin / dpr);
    cache.insert(key, mask);
    return cache.object(key);
}

} // namespace

void paint(QPainter &painter, const QPainterPath &shape, const QColor &color, qreal radius, const QPointF &offset) {
    if (color.alpha() == 0) return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const Mask *mask = blurredMask(shape, std::max<qreal>(radius, 0), dpr);
    if (!mask) return;
    // Tint: paint the colour through the mask.
    QImage tinted(mask->alpha.size(), QImage::Format_ARGB32_Premultiplied);
    tinted.fill(color);
    {
        QPainter t(&tinted);
        t.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QImage plain = mask->alpha;
        plain.setDevicePixelRatio(1.0);
        t.drawImage(0, 0, plain);
    }
    tinted.setDevicePixelRatio(dpr);
    painter.drawImage(shape.boundingRect().topLeft() + mask->origin + offset, tinted);
}

void paintStrokeGlow(QPainter &painter, const QPainterPath &path, qreal lineWidth, const QColor &color, qreal radius) {
    QPainterPathStroker stroker;
    stroker.setWidth(lineWidth);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setCapStyle(Qt::FlatCap);
    paint(painter, stroker.createStroke(path), color, radius);
}

} // namespace SoftShadow
