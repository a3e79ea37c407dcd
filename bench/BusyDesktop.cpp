#include "BusyDesktop.h"

#include <QFont>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <vector>

namespace {

// Value noise: random values on a coarse grid, smoothly interpolated, summed over octaves.
QImage wallpaper(QSize size) {
    QRandomGenerator random(7);
    QImage image(size, QImage::Format_RGB32);
    std::vector<float> sum(size_t(size.width()) * size.height() * 3, 0.f);
    float weight = 1.f, total = 0.f;
    for (int cell = 256; cell >= 2; cell /= 2, weight *= 0.6f) {
        const int gw = size.width() / cell + 2, gh = size.height() / cell + 2;
        std::vector<float> grid(size_t(gw) * gh * 3);
        for (float &v : grid) v = float(random.generateDouble());
        for (int y = 0; y < size.height(); ++y) {
            const float fy = float(y) / cell;
            const int y0 = int(fy);
            const float ty = fy - y0, sy = ty * ty * (3 - 2 * ty);
            for (int x = 0; x < size.width(); ++x) {
                const float fx = float(x) / cell;
                const int x0 = int(fx);
                const float tx = fx - x0, sx = tx * tx * (3 - 2 * tx);
                for (int c = 0; c < 3; ++c) {
                    const auto at = [&](int gx, int gy) { return grid[(size_t(gy) * gw + gx) * 3 + c]; };
                    const float top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
                    const float bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
                    sum[(size_t(y) * size.width() + x) * 3 + c] += weight * (top + (bottom - top) * sy);
                }
            }
        }
        total += weight;
    }
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const float *v = &sum[(size_t(y) * size.width() + x) * 3];
            const auto channel = [&](int c) { return std::clamp(int(v[c] / total * 255.f), 0, 255); };
            line[x] = qRgb(channel(0), channel(1), channel(2));
        }
    }
    return image;
}

} // namespace

QImage busyDesktop(QSize size, int screen) {
    QImage image = wallpaper(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(11, size.height() / 80));
    p.setFont(font);
    const int columns = std::max(1, size.width() / 960);
    const int lineHeight = font.pixelSize() * 3 / 2;
    for (int n = 0; n < 2 * columns; ++n) {
        const QRect window(40 + (n % columns) * (size.width() / columns), 60 + (n / columns) * (size.height() / 2),
                           size.width() / columns - 120, size.height() / 2 - 100);
        p.fillRect(window.adjusted(0, 0, 0, 0), QColor(0xf7f7f8));
        p.fillRect(QRect(window.topLeft(), QSize(window.width(), lineHeight + 8)), QColor(0xd9d9de));
        p.setPen(QColor(0x333338));
        for (int line = 0, y = window.top() + 2 * lineHeight + 8; y < window.bottom() - 8; ++line, y += lineHeight)
            p.drawText(QPoint(window.left() + 12, y),
                       QStringLiteral("%1  O relatório trimestral mostra receita de R$ %2 mil, com alta de %3%")
                           .arg(line + 1, 3)
                           .arg(1200 + line * 37 + n * 250 + screen * 1000)
                           .arg(line % 17));
    }
    return image;
}
