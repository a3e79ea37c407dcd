// The editor model's work, pinned to one core: a mark added until its preview is published, the
// full-size result of an export, the estimate's coalescing of export changes, Ctrl+C until the
// clipboard holds the PNG, and the command bar's filter over a full table.
#include "BenchImages.h"
#include "EditorBenchSupport.h"
#include "LargestCommandTable.h"

#include "core/StyleStore.h"
#include "editor/AnnotationCanvas.h"
#include "editor/EditorModel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QEventLoop>
#include <QTimer>
#include <QThreadPool>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <time.h>

namespace {

// Draws an arrow across the capture, as the canvas does.
void drawArrow(EditorModel &model) {
    model.document().setTool(EditorTool::arrow);
    const std::optional<QUuid> id = model.document().startAnnotation({600, 400});
    model.document().updateAnnotation(*id, {1400, 900});
    model.document().finishAnnotation(*id);
}

// Wall time from the end of the drag to the published preview; the counter "render_cpu_ms" is the
// CPU time of the render itself, which a busy machine does not inflate.
void BM_ArrowToPreview(benchmark::State &state) {
    const OneCore pinned;
    testsupport::SubstituteRenderers<TimedRenderers> renderers;
    EditorModel model(benchScreenshot(2880, 1800), QString(), BeautyStyle{}, StyleStore::shared());
    Publications published(model);
    published.waitFor(1);
    double renderCpu = 0;
    for (auto _ : state) {
        renderers.cpu.store(0);
        const int before = published.count();
        const auto start = std::chrono::steady_clock::now();
        drawArrow(model);
        published.waitFor(before + 1);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        const double spent = renderers.cpu.exchange(0);
        renderCpu += spent;
        // Back to one arrow fewer, outside the measured time.
        model.document().undo();
        published.waitFor(before + 2);
        renderers.cpu.store(0);
    }
    state.counters["render_cpu_ms"] = benchmark::Counter(renderCpu / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ArrowToPreview)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_FinalImage(benchmark::State &state) {
    const OneCore pinned;
    EditorModel model(benchScreenshot(2880, 1800), QString(), BeautyStyle{}, StyleStore::shared());
    Publications published(model);
    published.waitFor(1);
    drawArrow(model);
    published.waitFor(2);
    for (auto _ : state) benchmark::DoNotOptimize(model.finalImage(ExportSettings{}));
}
BENCHMARK(BM_FinalImage)->Unit(benchmark::kMillisecond);

// Ten export changes 20 ms apart while a result is on view: the estimate encodes once.
void BM_EstimateBurst(benchmark::State &state) {
    const OneCore pinned;
    testsupport::SubstituteRenderers<TimedRenderers> renderers;
    EditorModel model(benchScreenshot(2880, 1800), QString(), BeautyStyle{}, StyleStore::shared());
    Publications published(model);
    published.waitFor(1);
    EditorThreads::estimatePool().waitForDone();
    StyleStore &store = StyleStore::shared();
    const ExportSettings saved = store.exportSettings();
    int bursts = 0;
    for (auto _ : state) {
        renderers.encodes.store(0);
        for (int i = 0; i < 10; ++i) {
            ExportSettings settings = saved;
            settings.quality = 0.5 + 0.01 * ((bursts * 10 + i) % 40);
            store.setExportSettings(settings);
            model.render().updateEstimate();
            const QDeadlineTimer pause(20);
            while (!pause.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        EditorThreads::estimatePool().waitForDone();
        ++bursts;
    }
    state.counters["encodes"] = static_cast<double>(renderers.encodes.load());
    store.setExportSettings(saved);
}
BENCHMARK(BM_EstimateBurst)->Unit(benchmark::kMillisecond)->Iterations(3);

// Ctrl+C with three marks on a 2880 × 1800 capture: the result drawn at full size, encoded and on
// the clipboard (with its toast), as the key does it.
void BM_CopyToClipboard(benchmark::State &state) {
    const OneCore pinned;
    EditorModel model(benchScreenshot(2880, 1800), QString(), BeautyStyle{}, StyleStore::shared());
    Publications published(model);
    published.waitFor(1);
    for (int i = 0; i < 3; ++i) {
        model.document().setTool(EditorTool::arrow);
        const std::optional<QUuid> id = model.document().startAnnotation({400.0 + 300 * i, 300});
        model.document().updateAnnotation(*id, {900.0 + 300 * i, 900});
        model.document().finishAnnotation(*id);
    }
    published.waitFor(4);
    EditorThreads::estimatePool().waitForDone();
    for (auto _ : state) {
        model.copy();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_CopyToClipboard)->Unit(benchmark::kMillisecond)->MinTime(2);

// The command bar's filter over the largest table: twenty backdrops and nine presets (64 rows).
void BM_FilterCommands(benchmark::State &state) {
    const LargestCommandTable largest;
    EditorModel model(benchScreenshot(64, 64), QString(), BeautyStyle{}, StyleStore::shared());
    model.page().setCommandQuery(QStringLiteral("proporcao"));
    state.counters["rows"] = double(model.commands().size());
    for (auto _ : state) benchmark::DoNotOptimize(model.filteredCommands());
}
BENCHMARK(BM_FilterCommands)->Unit(benchmark::kMicrosecond);

} // namespace

// One pointer move of an arrow drag on the canvas and the repaint it causes: a 2880 × 1800 capture in a
// 1400 × 900 canvas, with no other marks or with 30 marks and 5 blurs, on one core.
static void BM_CanvasDragFrame(benchmark::State &state) {
    OneCore oneCore;
    EditorModel model(benchScreenshot(2880, 1800), QString(), std::nullopt, StyleStore::shared());
    QList<Annotation> marks;
    for (int i = 0; i < state.range(0); ++i) {
        Annotation a;
        a.kind = i < 5 ? Annotation::Kind::blur
                       : std::array<Annotation::Kind, 4>{
                             Annotation::Kind::arrow, Annotation::Kind::rectangle, Annotation::Kind::highlight,
                             Annotation::Kind::label(QStringLiteral("Passo %1").arg(i))}[i % 4];
        a.start = QPointF(80 + 90 * (i % 10), 100 + 400 * (i / 10));
        a.end = a.start + QPointF(220, 160);
        a.width = 9;
        marks.append(a);
    }
    model.document().addAnnotations(marks);
    model.document().setTool(EditorTool::arrow);
    AnnotationCanvas canvas(&model.document(), &model.render());
    canvas.resize(1400, 900);
    QImage frame(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.render(&frame);
    auto send = [&](QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, canvas.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas, &event);
    };
    send(QEvent::MouseButtonPress, QPointF(300, 300));
    int step = 0;
    for (auto _ : state) {
        send(QEvent::MouseMove, QPointF(400 + step % 600, 350 + step % 400));
        canvas.render(&frame);
        ++step;
    }
    send(QEvent::MouseButtonRelease, QPointF(900, 700));
    benchmark::DoNotOptimize(frame.constBits());
}
BENCHMARK(BM_CanvasDragFrame)->Arg(0)->Arg(35)->Unit(benchmark::kMillisecond);
