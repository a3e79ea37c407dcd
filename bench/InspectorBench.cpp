// The editor's side panel over a 2880 × 1800 capture, on one core: a backdrop tile clicked until the
// preview is published, a margin drag of twenty steps (only the newest render may publish), and a
// store change reaching a full panel (twenty backdrops, nine presets).
#include "BenchImages.h"
#include "EditorBenchSupport.h"
#include "LargestCommandTable.h"

#include "brand/BrandStore.h"
#include "core/StyleStore.h"
#include "editor_window/EditorView.h"
#include "editor_window/InspectorBackdrops.h"
#include "editor_window/InspectorPresets.h"
#include "editor_window/InspectorStyle.h"
#include "editor_window/InspectorView.h"
#include "widgets/TintedSlider.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the event loop for `ms` milliseconds, sleeping while it has nothing to do (a busy wait would
// take the one core from the renders).
void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counter "render_cpu_ms": the CPU time of the render itself, which a busy machine does not inflate.
void BM_BackdropTileToPreview(benchmark::State &state) {
    const OneCore pinned;
    testsupport::SubstituteRenderers<TimedRenderers> renderers;
    EditorModel model(benchScreenshot(2880, 1800), QString(), BeautyStyle{}, StyleStore::shared());
    InspectorView panel(&model, StyleStore::shared(), BrandStore::shared());
    panel.resize(EditorView::panelWidth, 1400);
    panel.show();
    Publications published(model);
    published.waitFor(1);
    // Two built-in gradients in turn.
    const QList<BackdropSwatchTile *> tiles{panel.findChild<BackdropSwatchTile *>(QStringLiteral("backdrop1")),
                                            panel.findChild<BackdropSwatchTile *>(QStringLiteral("backdrop2"))};
    int i = 0;
    double renderCpu = 0;
    for (auto _ : state) {
        BackdropSwatchTile *tile = tiles[i++ % 2];
        const int before = published.count();
        renderers.cpu.store(0);
        const auto start = Clock::now();
        tile->click();
        published.waitFor(before + 1);
        state.SetIterationTime(msSince(start) / 1000);
        renderCpu += renderers.cpu.load();
    }
    state.counters["render_cpu_ms"] = renderCpu / double(state.iterations());
}
BENCHMARK(BM_BackdropTileToPreview)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// A drag across twenty steps at 60 steps a second, timed from the last step to the preview of its
// margin. Counters: renders that ran (the beautifier called), previews published, and the CPU time of
// one render.
void BM_MarginDrag(benchmark::State &state) {
    const OneCore pinned;
    testsupport::SubstituteRenderers<TimedRenderers> renderers;
    BeautyStyle noMargin;
    noMargin.padding = 0;
    EditorModel model(benchScreenshot(2880, 1800), QString(), noMargin, StyleStore::shared());
    InspectorView panel(&model, StyleStore::shared(), BrandStore::shared());
    Publications published(model);
    published.waitFor(1);
    TintedSlider *slider = panel.findChild<PaddingSection *>(QStringLiteral("paddingSection"))->findChild<TintedSlider *>(QStringLiteral("slider"));
    Clock::time_point lastPublished;
    QObject::connect(&model.render(), &EditorRenderJob::previewChanged, &model, [&] { lastPublished = Clock::now(); });
    // Runs the event loop until the preview has the size of the margin's last step.
    const auto showing = [&](QSize size) {
        while (model.render().outputSize() != size) published.waitFor(published.count() + 1);
    };
    const QSize none = model.render().outputSize();
    slider->setValue(20);
    published.waitFor(2);
    const QSize widest = model.render().outputSize();
    double renders = 0, publications = 0, renderCpu = 0;
    for (auto _ : state) {
        slider->setValue(0); // back to no margin, outside the measured time
        showing(none);
        renderers.beautified.store(0);
        renderers.cpu.store(0);
        const int before = published.count();
        slider->setSliderDown(true);
        for (int step = 1; step <= 20; ++step) {
            slider->setSliderPosition(step);
            if (step < 20) pump(16);
        }
        slider->setSliderDown(false);
        const auto last = Clock::now();
        showing(widest);
        state.SetIterationTime(std::chrono::duration<double>(lastPublished - last).count());
        renders += renderers.beautified.load();
        renderCpu += renderers.cpu.load();
        publications += published.count() - before;
    }
    state.counters["render_cpu_ms"] = renderCpu / std::max(1.0, renders);
    state.counters["renders"] = renders / double(state.iterations());
    state.counters["published"] = publications / double(state.iterations());
}
BENCHMARK(BM_MarginDrag)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// A backdrop renamed in the store until the panel has taken it in and laid itself out; the counter
// "paint_ms" is the repaint of the whole panel that follows.
void BM_StoreChangeToPanel(benchmark::State &state) {
    const LargestCommandTable full;
    // The change is timed from its announcement (connected before the panel's own slot): the store's
    // file write is not the panel's.
    Clock::time_point start;
    QObject timing;
    QObject::connect(&StyleStore::shared(), &StyleStore::backdropsChanged, &timing, [&] { start = Clock::now(); });
    EditorModel model(benchScreenshot(320, 200), QString(), BeautyStyle{}, StyleStore::shared());
    InspectorView panel(&model, StyleStore::shared(), BrandStore::shared());
    panel.resize(EditorView::panelWidth, 1400);
    panel.show();
    QCoreApplication::processEvents();
    QImage frame(panel.size(), QImage::Format_ARGB32_Premultiplied);
    double paint = 0;
    int i = 0;
    for (auto _ : state) {
        QList<Backdrop> backdrops = StyleStore::shared().backdrops();
        backdrops[10].name = QStringLiteral("Renomeado %1").arg(i++);
        StyleStore::shared().setBackdrops(backdrops);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        state.SetIterationTime(msSince(start) / 1000);
        const auto painting = Clock::now();
        panel.render(&frame);
        paint += msSince(painting);
    }
    state.counters["paint_ms"] = paint / double(state.iterations());
}
BENCHMARK(BM_StoreChangeToPanel)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
