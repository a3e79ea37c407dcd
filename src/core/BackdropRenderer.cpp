#include "core/BackdropRenderer.h"

#include "core/ColorValue.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int maxMeshResolution = 4096;

float toLinear(float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); }
float fromLinear(float l) { return l <= 0.0031308f ? 12.92f * l : 1.055f * std::pow(l, 1.f / 2.4f) - 0.055f; }

uint32_t byteOf(float v) { return static_cast<uint32_t>(std::clamp(255.f * v + 0.5f, 0.f, 255.f)); }

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void clearUpperRegisters() { __builtin_ia32_vzeroupper(); }
#endif

// The mesh loop calls the maths library's pow, which runs AVX code on current processors. When some
// earlier code left the upper halves of the vector registers in use, every switch between that and
// our SSE code stalls, making the loop about ten times slower; clearing them first avoids it.
void prepareForMathsLibrary() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx")) clearUpperRegisters();
#endif
}

// Unit point (u, v), v from the top, in `rect`.
QPointF place(QPointF unit, const QRectF &rect) {
    return {rect.left() + unit.x() * rect.width(), rect.top() + unit.y() * rect.height()};
}

} // namespace

namespace BackdropRenderer {

std::pair<QPointF, QPointF> linearEndpoints(double angle, QSizeF size) {
    const double theta = std::isfinite(angle) ? angle * std::numbers::pi / 180 : 0;
    const double s = std::sin(theta), c = std::cos(theta);
    const double w = size.width() > 1 ? size.width() : 1;
    const double h = size.height() > 1 ? size.height() : 1;
    const double half = (std::abs(w * s) + std::abs(h * c)) / 2;
    const double dx = s * half / w, dy = -c * half / h;
    return {QPointF(0.5 - dx, 0.5 - dy), QPointF(0.5 + dx, 0.5 + dy)};
}

QList<quint32> drawnColors(const Backdrop &backdrop) {
    return backdrop.colors.mid(0, Backdrop::maximumColors(backdrop.kind));
}

QImage meshImage(const Backdrop &backdrop, double aspect, int resolution) {
    if (backdrop.colors.isEmpty() || resolution < 1 || resolution > maxMeshResolution) return {};
    // Completing the points is the mesh kind's rule; a copy keeps the caller's value as it is.
    Backdrop mesh = backdrop;
    mesh.kind = Backdrop::Kind::mesh;
    // Only what the kind can show is drawn: a stored backdrop keeps any further colours unseen.
    mesh.colors = drawnColors(mesh);
    if (mesh.points.size() > mesh.colors.size()) mesh.points.resize(mesh.colors.size());
    mesh.syncPoints();

    const double a = std::isfinite(aspect) ? std::clamp(aspect, 0.125, 8.0) : 1.0;
    const int width = a >= 1 ? resolution : std::max(8, static_cast<int>(a * resolution));
    const int height = a >= 1 ? std::max(8, static_cast<int>(resolution / a)) : resolution;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};

    struct Anchor {
        float x, y;
        float rgb[3];
    };
    std::vector<Anchor> anchors;
    for (qsizetype i = 0; i < mesh.colors.size(); ++i) {
        const quint32 c = mesh.colors[i];
        const MeshPoint &p = mesh.points[i];
        anchors.push_back({static_cast<float>(p.x),
                           static_cast<float>(p.y),
                           {toLinear(((c >> 16) & 0xFF) / 255.f), toLinear(((c >> 8) & 0xFF) / 255.f),
                            toLinear((c & 0xFF) / 255.f)}});
    }
    prepareForMathsLibrary();
    const float af = static_cast<float>(a);
    for (int row = 0; row < height; ++row) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        const float v = (row + 0.5f) / height;
        for (int col = 0; col < width; ++col) {
            const float u = (col + 0.5f) / width;
            float sum = 0, rgb[3] = {0, 0, 0};
            for (const Anchor &anchor : anchors) {
                const float dx = af * (u - anchor.x), dy = v - anchor.y;
                // Inverse-distance weight; the softening term keeps it finite on the point itself.
                const float w = 1.f / std::pow(dx * dx + dy * dy + 0.012f, 1.6f);
                sum += w;
                for (int c = 0; c < 3; ++c) rgb[c] += w * anchor.rgb[c];
            }
            line[col] = 0xFF000000u | byteOf(fromLinear(rgb[0] / sum)) << 16 | byteOf(fromLinear(rgb[1] / sum)) << 8 |
                        byteOf(fromLinear(rgb[2] / sum));
        }
    }
    return image;
}

void draw(const Backdrop &backdrop, const QRectF &rect, QPainter &painter) {
    painter.save();
    switch (backdrop.kind) {
    case Backdrop::Kind::transparent:
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(rect, Qt::transparent);
        break;
    case Backdrop::Kind::solid:
        painter.fillRect(rect, backdrop.colors.isEmpty() ? QColor(Qt::black) : colorFromHex(backdrop.colors.first()));
        break;
    case Backdrop::Kind::linear: {
        const QList<quint32> colors = drawnColors(backdrop);
        const qsizetype n = colors.size();
        if (n < 2) {
            painter.fillRect(rect, n == 0 ? QColor(Qt::black) : colorFromHex(colors.first()));
            break;
        }
        const auto [start, end] = linearEndpoints(backdrop.angle, rect.size());
        QLinearGradient gradient(place(start, rect), place(end, rect));
        gradient.setSpread(QGradient::PadSpread);
        for (qsizetype i = 0; i < n; ++i)
            gradient.setColorAt(static_cast<double>(i) / static_cast<double>(n - 1), colorFromHex(colors[i]));
        painter.fillRect(rect, gradient);
        break;
    }
    case Backdrop::Kind::mesh: {
        const double height = rect.height() > 1 ? rect.height() : 1;
        const QImage mesh = meshImage(backdrop, rect.width() / height, canvasMeshResolution);
        if (mesh.isNull()) break;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, mesh);
        break;
    }
    }
    painter.restore();
}

} // namespace BackdropRenderer
