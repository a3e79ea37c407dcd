#include "brand/art/LogoArt.h"

#include "brand/art/PixelCanvas.h"
#include "core/Luma.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

struct Bucket {
    int count = 0;
    int r = 0, g = 0, b = 0;
};

constexpr int paletteSide = 64;
constexpr int minimumAlpha = 160;
constexpr int minimumDistanceSquared = 2305;

} // namespace

namespace LogoArt {

QList<quint32> palette(const QImage &image, int limit) {
    QList<quint32> picked;
    if (limit < 1) return picked;
    const std::unique_ptr<PixelCanvas> canvas = PixelCanvas::make(image, paletteSide);
    if (!canvas) return picked;
    std::array<Bucket, 4096> cells{};
    int total = 0;
    for (int y = 0; y < canvas->height(); ++y)
        for (int x = 0; x < canvas->width(); ++x) {
            const PixelCanvas::Rgba c = canvas->rgba(x, y);
            if (c.a == 0 || c.a < minimumAlpha) continue;
            Bucket &cell = cells[static_cast<size_t>((c.r / 16) * 256 + (c.g / 16) * 16 + c.b / 16)];
            ++cell.count;
            cell.r += c.r;
            cell.g += c.g;
            cell.b += c.b;
            ++total;
        }
    std::vector<Bucket> used;
    for (const Bucket &cell : cells)
        if (cell.count > 0) used.push_back(cell);
    std::stable_sort(used.begin(), used.end(), [](const Bucket &a, const Bucket &b) { return a.count > b.count; });

    std::vector<std::array<int, 3>> colors;
    for (const Bucket &cell : used) {
        if (cell.count * 200 < total) break;
        const std::array<int, 3> mean{cell.r / cell.count, cell.g / cell.count, cell.b / cell.count};
        const bool near = std::any_of(colors.begin(), colors.end(), [&](const std::array<int, 3> &o) {
            const int dr = mean[0] - o[0], dg = mean[1] - o[1], db = mean[2] - o[2];
            return dr * dr + dg * dg + db * db < minimumDistanceSquared;
        });
        if (near) continue;
        colors.push_back(mean);
        picked << static_cast<quint32>(mean[0] * 65536 + mean[1] * 256 + mean[2]);
        if (picked.size() >= limit) break;
    }
    return picked;
}

std::optional<Roles> suggestedRoles(const QList<quint32> &colors) {
    QList<quint32> kept;
    for (quint32 c : colors) {
        const double r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
        if (hi == 0) continue;
        const double luma = lumaOf(c);
        const double saturation = (hi - lo) / hi;
        if (luma > 0.06 && luma < 0.94 && saturation > 0.25) kept << c;
    }
    if (kept.isEmpty()) return std::nullopt;
    Roles roles{kept[0], std::nullopt};
    if (kept.size() > 1) roles.secondary = kept[1];
    return roles;
}

QImage tinted(const QImage &image, LogoVariant variant) {
    if (image.isNull()) return image;
    switch (variant) {
    case LogoVariant::original:
    case LogoVariant::auto_: return image;
    case LogoVariant::white:
    case LogoVariant::black: {
        QImage out(image.size(), QImage::Format_ARGB32_Premultiplied);
        if (out.isNull()) return image;
        out.fill(Qt::transparent);
        QPainter p(&out);
        if (!p.isActive()) return image;
        p.drawImage(0, 0, image);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(out.rect(),
                   variant == LogoVariant::white ? QColor::fromRgbF(1, 1, 1) : QColor::fromRgbF(0.07f, 0.07f, 0.07f));
        p.end();
        return out;
    }
    case LogoVariant::gray: {
        const std::unique_ptr<PixelCanvas> canvas = PixelCanvas::make(image);
        if (!canvas) return image;
        canvas->makeGrayscale();
        return canvas->image();
    }
    }
    return image;
}

} // namespace LogoArt
