#include "BenchImages.h"
#include "editor/BackdropEditorState.h"
#include "editor_window/AngleDial.h"
#include "editor_window/BackdropEditorView.h"
#include "editor_window/BackdropStage.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

namespace {

// The sheet on screen over a 2880 × 1800 sample, as the editor opens it.
std::unique_ptr<BackdropEditorView> shownSheet(Backdrop::Kind kind, QList<quint32> colors) {
    Backdrop backdrop;
    backdrop.kind = kind;
    backdrop.colors = std::move(colors);
    backdrop.syncPoints();
    BackdropEditorView::Host host;
    host.backdrop = backdrop;
    host.sample = benchScreenshot(2880, 1800);
    host.saveTitle = QStringLiteral("Salvar");
    auto view = std::make_unique<BackdropEditorView>(host);
    view->show();
    QApplication::processEvents();
    return view;
}

void send(QWidget *widget, QEvent::Type type, QPointF at) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

// One pointer move of a mesh-handle drag (five points) until the sheet has repainted. For the
// one-core figure: taskset -c 0 build/bench/pelicarta_bench --benchmark_filter=BackdropEditor
static void BM_BackdropEditorMeshDrag(benchmark::State &state) {
    auto view = shownSheet(Backdrop::Kind::mesh, {0x5B4BD6, 0xF29BC4, 0x7FD6E8, 0xF0A35E, 0x2B2F6B});
    auto *stage = view->findChild<BackdropStage *>();
    const QPointF start = stage->handleCentre(4);
    send(stage, QEvent::MouseButtonPress, start);
    int step = 0;
    for (auto _ : state) {
        const QPointF at = start + QPointF((step % 40) * 3 - 60, (step % 17) * 2 - 17);
        ++step;
        send(stage, QEvent::MouseMove, at);
        QApplication::processEvents();
    }
    send(stage, QEvent::MouseButtonRelease, start);
}
BENCHMARK(BM_BackdropEditorMeshDrag)->Unit(benchmark::kMillisecond)->UseRealTime();

// One pointer move of a dial drag on a linear backdrop until the sheet (stage included) has repainted.
static void BM_BackdropEditorDialDrag(benchmark::State &state) {
    auto view = shownSheet(Backdrop::Kind::linear, {0x5B4BD6, 0xF29BC4, 0x7FD6E8});
    auto *dial = view->findChild<AngleDial *>();
    send(dial, QEvent::MouseButtonPress, {60, 32});
    int step = 0;
    for (auto _ : state) {
        const double t = (step++ % 72) * 5 * 3.14159265358979 / 180;
        send(dial, QEvent::MouseMove, QPointF(32 + 24 * std::sin(t), 32 - 24 * std::cos(t)));
        QApplication::processEvents();
    }
    send(dial, QEvent::MouseButtonRelease, {60, 32});
}
BENCHMARK(BM_BackdropEditorDialDrag)->Unit(benchmark::kMillisecond)->UseRealTime();
