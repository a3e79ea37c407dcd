#include "core/Exporter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <benchmark/benchmark.h>

namespace {

// A 2880×1800 picture shaped like a window capture: flat panels, a gradient header, many lines of
// anti-aliased text and a few coloured controls; with transparent rounded corners, or opaque like a
// raw screen capture.
QImage drawCapture(bool roundedCorners) {
    QImage canvas(2880, 1800, roundedCorners ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    if (roundedCorners) {
        QPainterPath window;
        window.addRoundedRect(QRectF(canvas.rect()), 40, 40);
        p.setClipPath(window);
    }
    p.fillRect(canvas.rect(), QColor(0xf7f7f8));
    QLinearGradient header(0, 0, 2880, 160);
    header.setColorAt(0, QColor(0x4f46e5));
    header.setColorAt(1, QColor(0x06b6d4));
    p.fillRect(QRect(0, 0, 2880, 160), header);
    p.fillRect(QRect(0, 160, 560, 1640), QColor(0xececf0));

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    p.setFont(font);
    p.setPen(QColor(0x333338));
    for (int i = 0; i < 40; ++i)
        p.drawText(QPoint(48, 240 + i * 38), QStringLiteral("Item da barra lateral %1").arg(i + 1));
    for (int i = 0; i < 42; ++i)
        p.drawText(QPoint(620, 240 + i * 36),
                   QStringLiteral("%1. O relatório trimestral mostra receita de R$ %2 mil, com alta de %3% "
                                  "sobre o período anterior — veja os detalhes na tabela abaixo.")
                       .arg(i + 1)
                       .arg(1200 + i * 37)
                       .arg(i % 17));
    const QColor accents[] = {QColor(0xef4444), QColor(0x22c55e), QColor(0xf59e0b), QColor(0x3b82f6)};
    for (int i = 0; i < 8; ++i) {
        p.setBrush(accents[i % 4]);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(2300, 240 + i * 180, 480, 120), 18, 18);
    }
    return canvas;
}

const QImage &captureLikeImage() {
    static const QImage image = drawCapture(true);
    return image;
}

const QImage &opaqueCapture() {
    static const QImage image = drawCapture(false);
    return image;
}

void encodeAs(benchmark::State &state, const QImage &image, ExportFormat format, double quality = 0.85) {
    const ExportSettings settings{format, quality, ExportScale::retina};
    qsizetype bytes = 0;
    for (auto _ : state) {
        const auto data = Exporter::encode(image, settings);
        if (!data) {
            state.SkipWithError("encoding failed");
            return;
        }
        bytes = data->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}

void BM_EncodePng(benchmark::State &state) { encodeAs(state, captureLikeImage(), ExportFormat::png); }
void BM_EncodeJpeg(benchmark::State &state) { encodeAs(state, captureLikeImage(), ExportFormat::jpeg); }
void BM_EncodeHeic(benchmark::State &state) { encodeAs(state, captureLikeImage(), ExportFormat::heic); }
// What the recents folder writes for every capture: an opaque screen image at quality 0.92.
void BM_EncodeHeicOpaqueRecents(benchmark::State &state) { encodeAs(state, opaqueCapture(), ExportFormat::heic, 0.92); }

void prepareAs(benchmark::State &state, ExportFormat format) {
    const QImage &image = captureLikeImage();
    const ExportSettings settings{format, 0.85, ExportScale::standard};
    for (auto _ : state) {
        const QImage prepared = Exporter::prepare(image, settings);
        benchmark::DoNotOptimize(prepared.constBits());
    }
}

void BM_PrepareStandard(benchmark::State &state) { prepareAs(state, ExportFormat::png); }
void BM_PrepareStandardJpeg(benchmark::State &state) { prepareAs(state, ExportFormat::jpeg); }

} // namespace

BENCHMARK(BM_EncodePng)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeJpeg)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeHeic)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeHeicOpaqueRecents)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PrepareStandard)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PrepareStandardJpeg)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
