#include "core/GaussianBlur.h"

#include <QPainter>
#include <QPainterPath>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The shadow of a 2880 × 1800 screenshot: a rounded box in a mask with room for the blur around it.
void BM_BlurShadowMask(benchmark::State &state) {
    QImage mask(3144, 2064, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(132, 132, 2880, 1800), 24, 24);
    }
    const double sigma = GaussianBlur::sigmaForShadowBlur(88);
    for (auto _ : state) {
        QImage work = mask.copy();
        GaussianBlur::blurAlpha8(work, sigma);
        benchmark::DoNotOptimize(work.constBits());
    }
}
BENCHMARK(BM_BlurShadowMask)->Iterations(20)->Unit(benchmark::kMillisecond);

// A full-size colour blur, σ 4 (no averaging down), and a quarter of a 2880 × 1800 display at σ 20.
void BM_BlurredColor(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.fillRect(image.rect(), QLinearGradient(0, 0, w, h));
    p.end();
    for (auto _ : state) benchmark::DoNotOptimize(GaussianBlur::blurred(image, static_cast<double>(state.range(2))));
}
BENCHMARK(BM_BlurredColor)->Args({2880, 1800, 4})->Args({720, 450, 20})->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The beautifier's shadow of a 2880 × 1800 screenshot: the rounded box drawn straight into the
// reduced mask, blurred there and read back row by row.
void BM_BlurShadowSoftMask(benchmark::State &state) {
    const double sigma = GaussianBlur::sigmaForShadowBlur(88);
    std::vector<uint8_t> row(3144);
    for (auto _ : state) {
        const GaussianBlur::SoftMask mask(QSize(3144, 2064), sigma, [](QPainter &p) {
            QPainterPath path;
            path.addRoundedRect(QRectF(132, 132, 2880, 1800), 24, 24);
            p.fillPath(path, Qt::black);
        });
        for (int y = 0; y < 2064; y += 8) mask.readRow(y, 0, 3144, row.data());
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_BlurShadowSoftMask)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
