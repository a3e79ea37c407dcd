#include "BenchImages.h"

#include <QPainter>

#include <algorithm>

QImage benchScreenshot(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(0xFA, 0xFA, 0xFC));
    QPainter p(&image);
    const int unit = std::max(1, w / 1440);
    p.fillRect(0, 0, w, 38 * unit, QColor(0x2B, 0x2F, 0x3A));
    p.fillRect(0, 38 * unit, 260 * unit, h, QColor(0xEE, 0xEF, 0xF4));
    for (int y = 70 * unit; y < h - 20 * unit; y += 26 * unit)
        p.fillRect(300 * unit, y, (w - 340 * unit) * (3 + (y / (26 * unit)) % 5) / 8, 11 * unit,
                   QColor(0x55, 0x5B, 0x6E));
    return image;
}
