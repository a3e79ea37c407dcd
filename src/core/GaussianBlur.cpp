#include "core/GaussianBlur.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using GaussianBlur::maxSigma;

// Below this σ a blur changes no pixel by a whole level.
constexpr double minSigma = 0.2;
// The downscaled blur keeps σ at about this many small pixels, where three boxes already follow a
// Gaussian closely.
constexpr double sigmaPerDownscaleStep = 3;
constexpr int maxDownscale = 64;
// Rows blurred together before their results are written out transposed.
constexpr int rowBlock = 16;

// One box of radius r with end weights `ends` on the samples just outside it.
struct Box {
    int r = 0;
    float ends = 0;
    float norm = 1;
};

// Three boxes whose variances add up to σ² exactly.
std::array<Box, 3> boxesFor(double sigma) {
    const double v = sigma * sigma / 3.0;
    // The largest r whose plain box, of variance r(r+1)/3, does not exceed v; the end weights make up
    // the rest.
    int r = static_cast<int>(std::floor((std::sqrt(1.0 + 12.0 * v) - 1.0) / 2.0));
    r = std::max(r, 0);
    while (static_cast<double>(r + 1) * (r + 2) / 3.0 <= v) ++r;
    while (r > 0 && static_cast<double>(r) * (r + 1) / 3.0 > v) --r;
    const double rr = r;
    double a = (2 * rr + 1) * (v - rr * (rr + 1) / 3.0) / (2 * ((rr + 1) * (rr + 1) - v));
    a = std::clamp(a, 0.0, 1.0);
    Box b;
    b.r = r;
    b.ends = static_cast<float>(a);
    b.norm = static_cast<float>(1.0 / (2 * rr + 1 + 2 * a));
    return {b, b, b};
}

// A line of C-channel samples with `pad` samples of room on either side.
template <int C>
struct Line {
    int n = 0;
    int pad = 0;
    std::vector<float> a, b;

    Line(int length, int padding) : n(length), pad(padding) {
        a.assign(static_cast<size_t>(n + 2 * pad) * C, 0.f);
        b.assign(a.size(), 0.f);
    }
    float *data(std::vector<float> &v) { return v.data() + static_cast<size_t>(pad) * C; }

    // Repeats the edge samples into the room on either side.
    void clampEdges(std::vector<float> &v) {
        float *d = data(v);
        for (int i = 1; i <= pad; ++i)
            for (int c = 0; c < C; ++c) {
                d[-i * C + c] = d[c];
                d[(n - 1 + i) * C + c] = d[(n - 1) * C + c];
            }
    }

    static void pass(const float *__restrict in, float *__restrict out, int n, const Box &box) {
        const int r = box.r;
        float sum[C];
        for (int c = 0; c < C; ++c) {
            sum[c] = 0;
            for (int j = -r; j <= r; ++j) sum[c] += in[j * C + c];
        }
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < C; ++c) {
                const float outer = in[(i - r - 1) * C + c] + in[(i + r + 1) * C + c];
                out[i * C + c] = (sum[c] + box.ends * outer) * box.norm;
                sum[c] += in[(i + r + 1) * C + c] - in[(i - r) * C + c];
            }
        }
    }

    // Three passes; the result ends up in `a`.
    void blur(const std::array<Box, 3> &boxes) {
        clampEdges(a);
        pass(data(a), data(b), n, boxes[0]);
        clampEdges(b);
        pass(data(b), data(a), n, boxes[1]);
        clampEdges(a);
        pass(data(a), data(b), n, boxes[2]);
        std::swap(a, b);
    }
};

inline uint8_t toByte(float v) { return static_cast<uint8_t>(std::min(std::max(v + 0.5f, 0.f), 255.f)); }

// Blurs every row of `src` (rows × cols samples) and writes row y as column y of `dst`
// (cols × rows samples).
template <int C>
void blurRowsTransposed(const uint8_t *src, qsizetype srcStride, int rows, int cols, uint8_t *dst, qsizetype dstStride,
                        const std::array<Box, 3> &boxes) {
    const int pad = boxes[0].r + 2;
    std::vector<Line<C>> lines;
    lines.reserve(rowBlock);
    for (int i = 0; i < rowBlock; ++i) lines.emplace_back(cols, pad);
    // The block's blurred rows as bytes, so that the transposed writes move whole pixels.
    const size_t rowBytes = static_cast<size_t>(cols) * C;
    std::vector<uint8_t> bytes(rowBytes * rowBlock);
    for (int y0 = 0; y0 < rows; y0 += rowBlock) {
        const int count = std::min(rowBlock, rows - y0);
        for (int k = 0; k < count; ++k) {
            const uint8_t *row = src + (y0 + k) * srcStride;
            float *d = lines[k].data(lines[k].a);
            for (size_t i = 0; i < rowBytes; ++i) d[i] = row[i];
            lines[k].blur(boxes);
            const float *blurredRow = lines[k].data(lines[k].a);
            uint8_t *b = bytes.data() + rowBytes * static_cast<size_t>(k);
            for (size_t i = 0; i < rowBytes; ++i) b[i] = toByte(blurredRow[i]);
        }
        for (int x = 0; x < cols; ++x) {
            uint8_t *out = dst + x * dstStride + static_cast<qsizetype>(y0) * C;
            const uint8_t *in = bytes.data() + static_cast<size_t>(x) * C;
            for (int k = 0; k < count; ++k) std::memcpy(out + k * C, in + rowBytes * static_cast<size_t>(k), C);
        }
    }
}

// A plain buffer of C-channel samples, rows tightly packed.
struct Plane {
    int w = 0, h = 0;
    qsizetype stride = 0;
    std::vector<uint8_t> bytes;
    Plane(int width, int height, int channels)
        : w(width), h(height), stride(static_cast<qsizetype>(width) * channels),
          bytes(static_cast<size_t>(stride) * static_cast<size_t>(height)) {}
    uint8_t *row(int y) { return bytes.data() + y * stride; }
};

// The mean of every k × k block, edge pixels repeated where the image does not fill the last block.
template <int C>
void averageDown(const uint8_t *src, qsizetype stride, int w, int h, int k, Plane &small) {
    std::vector<uint32_t> sums(static_cast<size_t>(small.w) * C);
    const uint32_t area = static_cast<uint32_t>(k) * static_cast<uint32_t>(k);
    for (int sy = 0; sy < small.h; ++sy) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int j = 0; j < k; ++j) {
            const uint8_t *row = src + std::min(sy * k + j, h - 1) * stride;
            for (int sx = 0; sx < small.w; ++sx) {
                for (int i = 0; i < k; ++i) {
                    const int x = std::min(sx * k + i, w - 1);
                    for (int c = 0; c < C; ++c) sums[static_cast<size_t>(sx) * C + c] += row[x * C + c];
                }
            }
        }
        uint8_t *out = small.row(sy);
        for (size_t i = 0; i < sums.size(); ++i) out[i] = static_cast<uint8_t>((sums[i] + area / 2) / area);
    }
}

// Where full-size pixel x reads the reduced copy: small pixel i covers pixels i·k … i·k + k − 1, so
// pixel centres map to (x + 0.5) / k − 0.5, clamped to the small image.
struct Tap {
    int i0, i1;
    uint32_t f; // weight of i1, of 256
};

Tap tapFor(int x, int k, int smallN) {
    const double u = std::clamp((x + 0.5) / k - 0.5, 0.0, static_cast<double>(smallN - 1));
    const int i0 = static_cast<int>(u);
    return {i0, std::min(i0 + 1, smallN - 1), static_cast<uint32_t>(std::lround((u - i0) * 256))};
}

std::vector<Tap> tapsFor(int n, int k, int smallN) {
    std::vector<Tap> t(static_cast<size_t>(n));
    for (int x = 0; x < n; ++x) t[static_cast<size_t>(x)] = tapFor(x, k, smallN);
    return t;
}

// Bilinear stretch of `small` over w × h pixels.
template <int C>
void stretchUp(const Plane &small, int k, uint8_t *dst, qsizetype stride, int w, int h) {
    const std::vector<Tap> xs = tapsFor(w, k, small.w), ys = tapsFor(h, k, small.h);
    // Rows of `small` stretched horizontally, scaled by 256, the two latest kept.
    std::vector<uint16_t> upper(static_cast<size_t>(w) * C), lower(upper.size());
    int upperRow = -1, lowerRow = -1;
    auto stretchRow = [&](int sy, std::vector<uint16_t> &out) {
        const uint8_t *row = small.bytes.data() + sy * small.stride;
        for (int x = 0; x < w; ++x) {
            const Tap &t = xs[static_cast<size_t>(x)];
            for (int c = 0; c < C; ++c)
                out[static_cast<size_t>(x) * C + c] =
                    static_cast<uint16_t>(row[t.i0 * C + c] * (256 - t.f) + row[t.i1 * C + c] * t.f);
        }
    };
    for (int y = 0; y < h; ++y) {
        const Tap &t = ys[static_cast<size_t>(y)];
        if (upperRow != t.i0) {
            if (lowerRow == t.i0) {
                std::swap(upper, lower);
                std::swap(upperRow, lowerRow);
            } else {
                stretchRow(t.i0, upper);
                upperRow = t.i0;
            }
        }
        if (lowerRow != t.i1) {
            stretchRow(t.i1, lower);
            lowerRow = t.i1;
        }
        uint8_t *out = dst + y * stride;
        const uint32_t fy = t.f;
        for (size_t i = 0; i < upper.size(); ++i)
            out[i] = static_cast<uint8_t>((upper[i] * (256 - fy) + lower[i] * fy + 32768) >> 16);
    }
}

int reductionFor(double sigma) { return std::clamp(static_cast<int>(sigma / sigmaPerDownscaleStep), 1, maxDownscale); }

// Blurs w × h samples in place by σ along both axes: rows, written transposed, then rows again.
template <int C>
void blurBothWays(uint8_t *data, qsizetype stride, int w, int h, double sigma) {
    const std::array<Box, 3> boxes = boxesFor(sigma);
    Plane transposed(h, w, C);
    blurRowsTransposed<C>(data, stride, h, w, transposed.bytes.data(), transposed.stride, boxes);
    blurRowsTransposed<C>(transposed.bytes.data(), transposed.stride, w, h, data, stride, boxes);
}

// What remains of σ, in small pixels, once averaging over k already spread the pixels by `spread`.
double reducedSigma(double sigma, int k, double spread) { return std::sqrt(std::max(sigma * sigma - spread, 0.0)) / k; }

template <int C>
void blurInPlace(uint8_t *data, qsizetype stride, int w, int h, double sigma) {
    if (w < 1 || h < 1 || !std::isfinite(sigma) || sigma < minSigma) return;
    sigma = std::min(sigma, maxSigma);
    const int k = reductionFor(sigma);
    if (k == 1) {
        blurBothWays<C>(data, stride, w, h, sigma);
        return;
    }
    Plane small((w + k - 1) / k, (h + k - 1) / k, C);
    averageDown<C>(data, stride, w, h, k, small);
    // Averaging k pixels already spread them by the variance of a k-wide box.
    blurBothWays<C>(small.bytes.data(), small.stride, small.w, small.h,
                    reducedSigma(sigma, k, (static_cast<double>(k) * k - 1) / 12.0));
    stretchUp<C>(small, k, data, stride, w, h);
}

} // namespace

namespace GaussianBlur {

double sigmaForShadowBlur(double blur) {
    if (!std::isfinite(blur) || blur <= 0) return 0;
    return blur / 2.0;
}

void blurAlpha8(QImage &alpha8, double sigma) {
    if (alpha8.isNull()) return;
    if (alpha8.format() != QImage::Format_Alpha8) alpha8 = alpha8.convertToFormat(QImage::Format_Alpha8);
    if (alpha8.isNull()) return;
    blurInPlace<1>(alpha8.bits(), alpha8.bytesPerLine(), alpha8.width(), alpha8.height(), sigma);
}

QImage blurred(const QImage &image, double sigma) {
    if (image.isNull()) return {};
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (out.isNull()) return {};
    uint8_t *bits = out.bits(); // detaches from `image`
    if (!bits) return {};
    blurInPlace<4>(bits, out.bytesPerLine(), out.width(), out.height(), sigma);
    // Rounding each channel on its own may leave a colour a level above its alpha; keep the pixels
    // valid premultiplied values.
    for (int y = 0; y < out.height(); ++y) {
        auto *px = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = px[x];
            const int a = qAlpha(p);
            if (a == 255) continue;
            px[x] = qRgba(std::min(qRed(p), a), std::min(qGreen(p), a), std::min(qBlue(p), a), a);
        }
    }
    return out;
}

SoftMask::SoftMask(QSize size, double sigma, const std::function<void(QPainter &)> &paint) : m_size(size) {
    if (size.width() < 1 || size.height() < 1) return;
    const bool blur = std::isfinite(sigma) && sigma >= minSigma;
    sigma = blur ? std::min(sigma, maxSigma) : 0;
    m_factor = blur ? reductionFor(sigma) : 1;
    m_small = QImage((size.width() + m_factor - 1) / m_factor, (size.height() + m_factor - 1) / m_factor,
                     QImage::Format_Alpha8);
    if (m_small.isNull()) return;
    m_small.fill(0);
    {
        QPainter p(&m_small);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(1.0 / m_factor, 1.0 / m_factor);
        paint(p);
    }
    for (int x = 0; x < size.width(); ++x) {
        const Tap t = tapFor(x, m_factor, m_small.width());
        m_columns.push_back({t.i0, t.i1, t.f});
    }
    if (blur) {
        // Drawn at 1/k scale, each small pixel holds the area average of a k × k block, which has
        // the variance k² / 12 along each axis.
        const double spread = static_cast<double>(m_factor) * m_factor / 12.0;
        blurBothWays<1>(m_small.bits(), m_small.bytesPerLine(), m_small.width(), m_small.height(),
                        m_factor == 1 ? sigma : reducedSigma(sigma, m_factor, spread));
    }
    m_spans.resize(static_cast<size_t>(m_small.height()));
    for (int y = 0; y < m_small.height(); ++y) {
        const uint8_t *row = m_small.constScanLine(y);
        const int w = m_small.width();
        int first = 0, last = w - 1;
        while (first < w && row[first] == 0) ++first;
        while (last >= first && row[last] == 0) --last;
        m_spans[static_cast<size_t>(y)] = {first, last};
    }
}

void SoftMask::readRow(int y, int x0, int count, uint8_t *out) const {
    if (m_small.isNull() || y < 0 || y >= m_size.height() || x0 < 0 || count < 1 || x0 + count > m_size.width()) return;
    if (m_factor == 1) {
        std::copy_n(m_small.constScanLine(y) + x0, count, out);
        return;
    }
    const Tap ty = tapFor(y, m_factor, m_small.height());
    const uint8_t *upper = m_small.constScanLine(ty.i0), *lower = m_small.constScanLine(ty.i1);
    // Columns whose two taps both lie outside the non-zero part of both rows read 0.
    const Span a = m_spans[static_cast<size_t>(ty.i0)], b = m_spans[static_cast<size_t>(ty.i1)];
    const bool aEmpty = a.first > a.last, bEmpty = b.first > b.last;
    const int first = aEmpty ? b.first : bEmpty ? a.first : std::min(a.first, b.first);
    const int last = aEmpty ? b.last : bEmpty ? a.last : std::max(a.last, b.last);
    const int from = first > last ? count : std::clamp((first - 1) * m_factor - x0, 0, count);
    const int to = first > last ? count : std::clamp((last + 2) * m_factor - x0, from, count);
    std::fill(out, out + from, uint8_t(0));
    std::fill(out + to, out + count, uint8_t(0));
    for (int i = from; i < to; ++i) {
        const Column &tx = m_columns[static_cast<size_t>(x0 + i)];
        const uint32_t top = upper[tx.i0] * (256 - tx.f) + upper[tx.i1] * tx.f;
        const uint32_t bottom = lower[tx.i0] * (256 - tx.f) + lower[tx.i1] * tx.f;
        out[i] = static_cast<uint8_t>((top * (256 - ty.f) + bottom * ty.f + 32768) >> 16);
    }
}

} // namespace GaussianBlur
