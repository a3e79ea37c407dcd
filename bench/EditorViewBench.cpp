// The editor page on one core (run the program under `taskset -c 0`): a 2880 × 1800 capture opened
// until the page's first frame that shows its result, and one keystroke in the command bar's field
// until the list of 64 rows is repainted.
#include "BenchImages.h"
#include "LargestCommandTable.h"

#include "brand/BrandStore.h"
#include "core/StyleStore.h"
#include "editor/EditorModel.h"
#include "editor_window/CommandBarView.h"
#include "editor_window/CommandList.h"
#include "editor_window/EditorView.h"
#include "editor_window/PreviewStage.h"
#include "support/SubstituteRenderers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

// Notes the paints of a widget that happen while the test waits in the event loop.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget *widget, std::function<bool()> counts = {}) : m_counts(std::move(counts)) {
        widget->installEventFilter(this);
    }
    bool painted = false;
    // Runs the event loop until a counted paint has been done (or ten seconds have passed).
    void wait() {
        QElapsedTimer limit;
        limit.start();
        while (!painted && limit.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The paint event itself was delivered right after the filter saw it, inside the same loop.
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && (!m_counts || m_counts())) painted = true;
        return false;
    }

private:
    std::function<bool()> m_counts;
};

void BM_OpenEditorToFirstResultFrame(benchmark::State &state) {
    const QImage capture = benchScreenshot(2880, 1800);
    double renderMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        EditorModel model(capture, QString(), std::nullopt, StyleStore::shared());
        QObject::connect(&model.render(), &EditorRenderJob::previewChanged, &model,
                         [&] { renderMs += double(clock.nsecsElapsed()) / 1e6; });
        EditorView view(&model, StyleStore::shared(), BrandStore::shared());
        view.resize(1240, 800);
        PaintWatch watch(view.findChild<PreviewStage *>(QStringLiteral("previewStage")),
                         [&] { return !model.render().preview().isNull(); });
        view.show();
        watch.wait();
        QCoreApplication::processEvents(); // the frame with the result is drawn and flushed
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        view.hide();
    }
    // Of that, the time until the model published its first result.
    state.counters["render_ms"] = renderMs / double(state.iterations());
}
BENCHMARK(BM_OpenEditorToFirstResultFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// Renderers for a benchmark (installed through SubstituteRenderers): the standard ones, packing the
// capture only when told to.
class HoldingRenderers : public StandardEditorRenderers {
public:
    explicit HoldingRenderers(bool packs) : m_packs(packs) {}
    std::optional<QByteArray> pack(const QImage &image) override {
        return m_packs ? StandardEditorRenderers::pack(image) : std::nullopt;
    }

private:
    const bool m_packs;
};

// The page shown again after the window was closed: the preview was let go and, with packing (arg 1),
// the capture too, which the render unpacks first; arg 0 holds the capture as before.
void BM_ReshowEditorToFirstResultFrame(benchmark::State &state) {
    testsupport::SubstituteRenderers<HoldingRenderers> renderers(state.range(0) == 1);
    EditorModel model(benchScreenshot(2880, 1800), QString(), std::nullopt, StyleStore::shared());
    EditorView view(&model, StyleStore::shared(), BrandStore::shared());
    view.resize(1240, 800);
    for (auto _ : state) {
        view.hide();
        model.render().releaseCaches();
        EditorThreads::estimatePool().waitForDone();
        EditorThreads::renderPool().waitForDone();
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        state.counters["packed"] = model.document().isOriginalPacked() ? 1 : 0;
        QElapsedTimer clock;
        clock.start();
        model.render().ensurePreview();
        PaintWatch watch(view.findChild<PreviewStage *>(QStringLiteral("previewStage")),
                         [&] { return !model.render().preview().isNull(); });
        view.show();
        watch.wait();
        QCoreApplication::processEvents();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_ReshowEditorToFirstResultFrame)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

void BM_CommandBarKeystrokeRepaint(benchmark::State &state) {
    const LargestCommandTable largest;
    {
        EditorModel model(benchScreenshot(2880, 1800), QString(), std::nullopt, StyleStore::shared());
        EditorView view(&model, StyleStore::shared(), BrandStore::shared());
        view.resize(1240, 800);
        PaintWatch first(view.findChild<PreviewStage *>(QStringLiteral("previewStage")),
                         [&] { return !model.render().preview().isNull(); });
        view.show();
        first.wait();
        model.page().setCommandBarOpen(true);
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
        QLineEdit *field = view.findChild<CommandBarView *>(QStringLiteral("commandBar"))->searchField();
        state.counters["rows"] = double(view.findChild<CommandList *>(QStringLiteral("list"))->rows().size());
        bool typed = false;
        for (auto _ : state) {
            // A blank and its erasure: each is a keystroke, and both leave the whole table listed.
            PaintWatch watch(view.findChild<CommandList *>(QStringLiteral("list")));
            QKeyEvent press(QEvent::KeyPress, typed ? Qt::Key_Backspace : Qt::Key_Space, Qt::NoModifier,
                            typed ? QString() : QStringLiteral(" "));
            QCoreApplication::sendEvent(field, &press);
            watch.wait();
            typed = !typed;
        }
    }
}
BENCHMARK(BM_CommandBarKeystrokeRepaint)->Unit(benchmark::kMillisecond)->MinTime(1);

} // namespace
