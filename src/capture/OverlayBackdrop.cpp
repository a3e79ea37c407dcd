#include "capture/OverlayBackdrop.h"

#include "core/GaussianBlur.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace OverlayBackdrop {

QImage blurred(const QImage &displayImage) {
    if (displayImage.isNull()) return {};
    const int width = std::max(1, int(std::lround(displayImage.width() * 0.25)));
    const int height = std::max(1, int(std::lround(displayImage.height() * 0.25)));
    const QImage quarter = displayImage.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return GaussianBlur::blurred(quarter, blurSigma);
}

double frozenImageScale(const DisplaySnapshot &snapshot) {
    return snapshot.image.width() / std::max(snapshot.bounds.width(), 1.0);
}

namespace {

void drawStretched(QPainter &painter, const QImage &image, const QRectF &target) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
}

} // namespace

void paint(QPainter &painter, const DisplaySnapshot &snapshot, const QImage &blurredImage, OverlayMode mode,
           const std::optional<QRectF> &localSelection, const std::optional<QRectF> &localWindow) {
    const QRectF area(QPointF(0, 0), snapshot.bounds.size());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor shade = dim;
    if (mode == OverlayMode::area) {
        drawStretched(painter, snapshot.image, area);
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        path.addRect(area);
        if (localSelection) path.addRect(*localSelection);
        shade.setAlphaF(float(localSelection ? areaDimWithSelection : areaDimWithoutSelection));
        painter.fillPath(path, shade);
    } else {
        drawStretched(painter, blurredImage.isNull() ? snapshot.image : blurredImage, area);
        shade.setAlphaF(float(windowDim));
        painter.fillRect(area, shade);
        if (localWindow) {
            painter.setClipPath(continuousRoundedRect(*localWindow, windowCornerRadius));
            drawStretched(painter, snapshot.image, area);
        }
    }
    painter.restore();
}

QPainterPath continuousRoundedRect(const QRectF &rect, double radius) {
    QPainterPath path;
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    // Each corner is one cubic curve that leaves the edges 1.28 r from the corner (further than a
    // quarter circle would) and passes through the circle's apex, so the bend starts gently.
    const double s = std::min(1.28 * r, std::min(rect.width(), rect.height()) / 2);
    const double c = std::max(0.0, (8 * (1 - M_SQRT1_2) * r - s) / 3); // control points' distance from the corner
    const double l = rect.left(), t = rect.top(), rt = rect.right(), b = rect.bottom();
    path.moveTo(l + s, t);
    path.lineTo(rt - s, t);
    path.cubicTo(rt - c, t, rt, t + c, rt, t + s);
    path.lineTo(rt, b - s);
    path.cubicTo(rt, b - c, rt - c, b, rt - s, b);
    path.lineTo(l + s, b);
    path.cubicTo(l + c, b, l, b - c, l, b - s);
    path.lineTo(l, t + s);
    path.cubicTo(l, t + c, l + c, t, l + s, t);
    path.closeSubpath();
    return path;
}

} // namespace OverlayBackdrop
