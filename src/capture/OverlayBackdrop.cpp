#include "capture/OverlayBackdrop.h"

#include "widgets/Theme.h"

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
        shade.setAlphaF(float(localSelection ? areaDimWithSelection : areaDimWithoutSelection));
        if (localSelection) {
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            path.addRect(area);
            path.addRect(*localSelection);
            painter.fillPath(path, shade);
        } else {
            painter.fillRect(area, shade); // the first frame: a rectangle is much cheaper than a path
        }
    } else {
        drawStretched(painter, blurredImage.isNull() ? snapshot.image : blurredImage, area);
        shade.setAlphaF(float(windowDim));
        painter.fillRect(area, shade);
        if (localWindow) {
            painter.setClipPath(Theme::continuousRoundedRect(*localWindow, windowCornerRadius));
            drawStretched(painter, snapshot.image, area);
        }
    }
    painter.restore();
}

} // namespace OverlayBackdrop
