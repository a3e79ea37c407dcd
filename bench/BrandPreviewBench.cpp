#include "brand/art/BrandLogo.h"
#include "brand_window/BrandPreviewShot.h"
#include "core/Beautifier.h"
#include "core/BeautyStyle.h"

#include <QPainter>

#include <benchmark/benchmark.h>

// The brand page's print preview: the made-up window beautified with the default style and a
// 400 × 100 logo, as each change of the brand renders it. For the one-core figure:
//     taskset -c 0 build/bench/pelicarta_bench --benchmark_filter=BrandPrintPreview
static void BM_BrandPrintPreview(benchmark::State &state) {
    QImage logo(400, 100, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter(&logo).fillRect(0, 20, 400, 60, QColor(0x6E5BD8));
    const BrandLogo brandLogo{logo, LogoVariant::original, LogoPosition::bottomRight, LogoSize::medium};
    const BeautyStyle style;
    const QImage &shot = BrandPreviewShot::image();
    for (auto _ : state) benchmark::DoNotOptimize(Beautifier::render(shot, style, brandLogo).constBits());
}
BENCHMARK(BM_BrandPrintPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
