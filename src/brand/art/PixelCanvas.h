#pragma once

#include <QImage>

#include <cstdint>
#include <memory>
#include <optional>

// A small pixel buffer for logo work: 8-bit sRGB, bytes red, green, blue, alpha per pixel, alpha
// premultiplied, rows of exactly width × 4 bytes from the top.
class PixelCanvas {
public:
    struct Rgba {
        int r = 0, g = 0, b = 0, a = 0;
        bool operator==(const Rgba &) const = default;
    };

    // The image drawn into a new canvas, scaled down so that its longer side is at most `maxSide`
    // (each side at least 1). None when the image is empty or the memory cannot be had.
    static std::unique_ptr<PixelCanvas> make(const QImage &image, std::optional<int> maxSide = std::nullopt);

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    // Pixel (x, y) starts at byte (y × width + x) × 4.
    uint8_t *pixels() { return m_image.bits(); }
    const uint8_t *pixels() const { return m_image.constBits(); }

    // The colour of a pixel, not premultiplied. Inline: the logo loader calls it for every pixel.
    Rgba rgba(int x, int y) const {
        const uint8_t *p = pixels() + (static_cast<qsizetype>(y) * width() + x) * 4;
        const int a = p[3];
        if (a == 0) return {};
        if (a == 255) return {p[0], p[1], p[2], 255};
        const auto un = [a](int c) { return c * 255 / a < 255 ? c * 255 / a : 255; };
        return {un(p[0]), un(p[1]), un(p[2]), a};
    }
    // Gives an opaque pixel a new alpha (its colour premultiplied by it).
    void set(int x, int y, int alpha) {
        alpha = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
        uint8_t *p = pixels() + (static_cast<qsizetype>(y) * width() + x) * 4;
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] * alpha / 255);
        p[3] = static_cast<uint8_t>(alpha);
    }
    // Every pixel's colour becomes its luma; alpha is kept.
    void makeGrayscale();

    // The canvas as an image (sharing its pixels until either is changed).
    QImage image() const { return m_image; }

private:
    explicit PixelCanvas(QImage image) : m_image(std::move(image)) {}
    QImage m_image; // Format_RGBA8888_Premultiplied, bytesPerLine == width × 4
};
