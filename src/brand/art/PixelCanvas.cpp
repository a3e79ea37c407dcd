#include "brand/art/PixelCanvas.h"

#include "platform/ImageChecks.h"

#include <QPainter>

#include <algorithm>

std::unique_ptr<PixelCanvas> PixelCanvas::make(const QImage &image, std::optional<int> maxSide) {
    int w = image.width(), h = image.height();
    if (w < 1 || h < 1) return nullptr;
    const int longer = std::max(w, h);
    if (maxSide && longer > *maxSide) {
        if (*maxSide < 1) return nullptr;
        const double scale = static_cast<double>(*maxSide) / longer;
        w = std::max(1, static_cast<int>(scale * w));
        h = std::max(1, static_cast<int>(scale * h));
    }
    if (qint64(w) * h > platform::maxImagePixels) return nullptr;
    // Already in the canvas's layout at full size: copied as it is, not drawn again.
    if (w == image.width() && h == image.height() && image.format() == QImage::Format_RGBA8888_Premultiplied) {
        QImage copy = image.copy();
        if (copy.isNull() || copy.bytesPerLine() != qsizetype(w) * 4) return nullptr;
        return std::unique_ptr<PixelCanvas>(new PixelCanvas(std::move(copy)));
    }
    QImage canvas(w, h, QImage::Format_RGBA8888_Premultiplied);
    if (canvas.isNull() || canvas.bytesPerLine() != qsizetype(w) * 4) return nullptr;
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRect(0, 0, w, h), image);
    }
    return std::unique_ptr<PixelCanvas>(new PixelCanvas(std::move(canvas)));
}

void PixelCanvas::makeGrayscale() {
    uint8_t *p = pixels();
    const qsizetype n = static_cast<qsizetype>(width()) * height();
    for (qsizetype i = 0; i < n; ++i, p += 4) {
        const auto y = static_cast<uint8_t>((299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000);
        p[0] = p[1] = p[2] = y;
    }
}
