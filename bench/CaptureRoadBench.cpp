// The pieces of the copy road after a full-screen grab: beautify, prepare, clipboard encodings, and
// the recents file, at 1080p and 4K, on the capture of a busy desktop.
#include "BusyDesktop.h"
#include "core/Beautifier.h"
#include "core/Exporter.h"
#include "core/Settings.h"
#include "history/RecentsStore.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "core/Clipboard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <limits>

#include <benchmark/benchmark.h>

namespace {

QImage screen(int w, int h) { return busyDesktop(QSize(w, h)); }

// Takes the data as the system clipboard does: types made on request are not made.
class NullPasteboard : public platform::Pasteboard {
public:
    bool setContents(const QList<Item> &) override { return true; }
    bool setLazyContents(const QList<Item> &, const QList<Deferred> &) override { return true; }
    QList<Item> contents() const override { return {}; }
};

void BM_RoadBeautify(benchmark::State &state) {
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(Beautifier::render(image, BeautyStyle{}, std::nullopt));
}

// What is left of beautifying once the screen is read: the plate was drawn while it was being read.
void BM_RoadBeautifyOntoPlate(benchmark::State &state) {
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    const BeautyStyle style;
    const std::optional<Beautifier::Layout> layout = Beautifier::layout(image.size(), style);
    for (auto _ : state) {
        state.PauseTiming();
        QImage plate = Beautifier::backplate(*layout, style, std::nullopt);
        state.ResumeTiming();
        benchmark::DoNotOptimize(Beautifier::renderOnto(std::move(plate), *layout, image, style, std::nullopt));
    }
}

void BM_ClipboardCopy(benchmark::State &state) {
    const QImage out =
        Beautifier::render(screen(int(state.range(0)), int(state.range(1))), BeautyStyle{}, std::nullopt);
    NullPasteboard pasteboard;
    platform::Pasteboard::setSharedForTesting(&pasteboard);
    for (auto _ : state) benchmark::DoNotOptimize(Clipboard::copy(Exporter::prepare(out, ExportSettings{})));
    platform::Pasteboard::setSharedForTesting(nullptr);
}

// The recents file of one capture; its CPU column is the process's, the encoder's threads included.
void BM_RecentsAdd(benchmark::State &state) {
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    defaults.setBool(Settings::historyCompact.key(), state.range(2) != 0);
    RecentsStore store(defaults, dir.filePath(QStringLiteral("Recentes")));
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(store.add(image));
}

// The processor time one full-screen copy costs the app, every thread counted: beautified, copied as
// PNG, kept as a HEIC recents file (what a burst of captures competes for, capture after capture).
void BM_CopyCaptureCpu(benchmark::State &state) {
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    RecentsStore store(defaults, dir.filePath(QStringLiteral("Recentes")));
    NullPasteboard pasteboard;
    platform::Pasteboard::setSharedForTesting(&pasteboard);
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        const QImage out = Beautifier::render(image, BeautyStyle{}, std::nullopt);
        benchmark::DoNotOptimize(Clipboard::copy(Exporter::prepare(out, ExportSettings{})));
        benchmark::DoNotOptimize(store.add(image));
    }
    platform::Pasteboard::setSharedForTesting(nullptr);
}

// The process's resident memory, now and at its peak since `resetPeakMemory`, in megabytes.
double residentMegabytes(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(int(std::strlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// A burst: `range(2)` captures handed to the recents store at once, as the capture road does, until
// every file is written; per capture, the time until the last is on disk and the processor time. The
// counters: seconds from the last capture handed over until every file is on disk, and the peak
// resident memory above what the process held before the burst.
void BM_RecentsBurst(benchmark::State &state) {
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("defaults.json")));
    RecentsStore store(defaults, dir.filePath(QStringLiteral("Recentes")));
    if (const int atOnce = qEnvironmentVariableIntValue("PELICARTA_BENCH_ENCODINGS")) store.writer().setEncodingsAtOnce(atOnce);
    const int count = int(state.range(2));
    const QImage image = screen(int(state.range(0)), int(state.range(1)));
    double drain = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeakMemory();
        const double idle = residentMegabytes("VmRSS:");
        state.ResumeTiming();
        // Each capture a picture of its own, as a burst's are: nothing else holds them.
        for (int i = 0; i < count; ++i) store.addInBackground(image.copy());
        QElapsedTimer after;
        after.start();
        store.writer().waitForPending(std::numeric_limits<int>::max());
        drain += after.nsecsElapsed() / 1e9;
        peak = std::max(peak, residentMegabytes("VmHWM:") - idle);
        state.PauseTiming();
        store.deleteAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["drain_s"] = drain / double(state.iterations());
    state.counters["peak_MB_above_idle"] = peak;
}

} // namespace

// Fixed iteration counts: with repetitions, a benchmark whose time varies would otherwise pick a
// different count per repetition, which Google Benchmark's statistics refuse (it aborts).
BENCHMARK(BM_RoadBeautify)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RoadBeautifyOntoPlate)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ClipboardCopy)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RecentsAdd)
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Args({1920, 1080, 0})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_CopyCaptureCpu)
    ->Args({1920, 1080})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_RecentsBurst)->Args({1920, 1080, 10})->Args({1920, 1080, 50})->Args({1920, 1080, 200})->Iterations(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
