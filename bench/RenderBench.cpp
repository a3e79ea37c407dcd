#include "BenchImages.h"
#include "core/AnnotationRenderer.h"
#include "core/BackdropRenderer.h"
#include "core/Beautifier.h"

#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void BM_Beautify(benchmark::State &state) {
    static const char *backdrops[] = {"aurora", "nebula"};
    const QImage shot = benchScreenshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    BeautyStyle style;
    style.backdrop = Backdrop::builtIn(QString::fromLatin1(backdrops[state.range(2)]));
    for (auto _ : state) benchmark::DoNotOptimize(Beautifier::render(shot, style, std::nullopt));
    state.SetLabel(backdrops[state.range(2)]);
}
BENCHMARK(BM_Beautify)
    ->ArgsProduct({{1440}, {900}, {0, 1}})
    ->ArgsProduct({{2880}, {1800}, {0, 1}})
    ->ArgsProduct({{5120}, {2880}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_TrimUniformEdges(benchmark::State &state) {
    QImage framed(2880, 1800, QImage::Format_RGB32);
    framed.fill(Qt::white);
    {
        QPainter p(&framed);
        p.drawImage(100, 100, benchScreenshot(2680, 1600));
    }
    for (auto _ : state) benchmark::DoNotOptimize(Beautifier::trimUniformEdges(framed, 10));
}
BENCHMARK(BM_TrimUniformEdges)->Unit(benchmark::kMillisecond);

void BM_AnnotationRender(benchmark::State &state) {
    const QImage shot = benchScreenshot(2880, 1800);
    auto mark = [](Annotation::Kind kind, QPointF a, QPointF b, quint32 color) {
        Annotation m;
        m.kind = std::move(kind);
        m.start = a;
        m.end = b;
        m.color = color;
        m.width = 9;
        return m;
    };
    const QList<Annotation> marks{
        mark(Annotation::Kind::blur, {400, 300}, {1400, 420}, 0),
        mark(Annotation::Kind::blur, {600, 900}, {2200, 1100}, 0),
        mark(Annotation::Kind::arrow, {2400, 1500}, {1500, 700}, 0xFF5A5F),
        mark(Annotation::Kind::arrow, {200, 1600}, {700, 1200}, 0x4DA3FF),
        mark(Annotation::Kind::rectangle, {300, 200}, {1500, 520}, 0x3DDC97),
        mark(Annotation::Kind::rectangle, {1600, 1200}, {2700, 1700}, 0xFFC93C),
        mark(Annotation::Kind::highlight, {300, 600}, {1800, 640}, 0xFFC93C),
        mark(Annotation::Kind::highlight, {300, 700}, {1200, 740}, 0xB79CFF),
        mark(Annotation::Kind::label(QStringLiteral("Clique aqui")), {2000, 300}, {2000, 300}, 0xFF5A5F),
        mark(Annotation::Kind::label(QStringLiteral("Dados do cliente")), {400, 1300}, {400, 1300}, 0xFFC93C),
    };
    for (auto _ : state) benchmark::DoNotOptimize(AnnotationRenderer::render(shot, std::nullopt, marks));
}
BENCHMARK(BM_AnnotationRender)->Unit(benchmark::kMillisecond);

} // namespace

namespace {
void BM_MeshImage(benchmark::State &state) {
    const Backdrop nebula = Backdrop::builtIn(QStringLiteral("nebula"));
    for (auto _ : state) benchmark::DoNotOptimize(BackdropRenderer::meshImage(nebula, 3136.0 / 2056, 160));
}
BENCHMARK(BM_MeshImage)->Unit(benchmark::kMillisecond);
} // namespace
