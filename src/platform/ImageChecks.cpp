#include "platform/ImageChecks.h"

namespace platform {

bool hasTransparentPixels(const QImage &image) {
    if (!image.hasAlphaChannel()) return false;
    const bool argb = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage pixels = argb ? image : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            if (qAlpha(line[x]) != 0xff) return true;
    }
    return false;
}

} // namespace platform
