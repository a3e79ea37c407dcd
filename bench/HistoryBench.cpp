// The history index at the scale of ten thousand captures (about 20 MB of text). Run on one core:
//     taskset -c 0 build/bench/pelicarta_bench --benchmark_filter=History
#include "HistoryFixture.h"

#include "history/HistoryIndexFile.h"
#include "history/HistoryStore.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int kCaptures = historyfixture::kScale;

historyfixture::Scale &scale() { return historyfixture::tenThousand(); }

using historyfixture::heapInUse;

std::unique_ptr<HistoryStore> loadedStore(const QString &indexPath) { return historyfixture::loadedStore(indexPath); }

QString scratchCopyOfIndex() {
    const QString copy = scale().root.filePath(QStringLiteral("scratch.json"));
    QFile::remove(copy);
    QFile::copy(scale().fixture.indexPath, copy);
    return copy;
}

// From making the store to its entries listed with every record loaded (parse and fold off the
// main thread, the first reload waiting for them). Memory: the heap the loaded store holds.
void BM_HistoryIndexLoad(benchmark::State &state) {
    scale();
    double held = 0;
    for (auto _ : state) {
        const double before = heapInUse();
        auto store = loadedStore(scale().fixture.indexPath);
        if (store->entries().size() != kCaptures || store->pendingCount() != 0)
            state.SkipWithError("fixture not loaded");
        held = heapInUse() - before;
    }
    state.counters["text_MB"] = double(scale().fixture.textBytes) / 1e6;
    state.counters["held_MB"] = held / 1e6;
}
BENCHMARK(BM_HistoryIndexLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// One keystroke's scan: each iteration has a `since` of its own, so nothing is reused.
void BM_HistorySearch(benchmark::State &state, const char *query) {
    static auto store = loadedStore(scale().fixture.indexPath);
    const QString typed = QString::fromUtf8(query);
    const QDateTime distantPast(QDate(2000, 1, 1), QTime(0, 0));
    qint64 i = 0;
    qsizetype found = 0;
    for (auto _ : state) {
        found = store->search(typed, distantPast.addMSecs(++i)).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = double(found);
}
BENCHMARK_CAPTURE(BM_HistorySearch, a, "a")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearch, con, "con")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearch, configuracoes, "configuracoes")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HistorySearch, missing, "xilogravura")->Unit(benchmark::kMillisecond);

// One render of the page asks three times (content, sections, summary) with the same query and
// period: one scan.
void BM_HistorySearchOneRender(benchmark::State &state) {
    static auto store = loadedStore(scale().fixture.indexPath);
    const QDateTime distantPast(QDate(2000, 1, 1), QTime(0, 0));
    qint64 i = 0;
    for (auto _ : state) {
        const QDateTime since = distantPast.addMSecs(++i);
        for (int ask = 0; ask < 3; ++ask) benchmark::DoNotOptimize(store->search(QStringLiteral("con"), since).size());
    }
}
BENCHMARK(BM_HistorySearchOneRender)->Unit(benchmark::kMillisecond);

// A change that schedules a save, on the main thread (the JSON is built and written by the writer).
void BM_HistoryScheduleSave(benchmark::State &state) {
    auto store = loadedStore(scratchCopyOfIndex());
    const QString unknown = scale().fixture.recentsFolder + QStringLiteral("/nunca.png");
    for (auto _ : state) store->forget({unknown});
}
BENCHMARK(BM_HistoryScheduleSave)->Unit(benchmark::kMicrosecond);

// The writer's own work, off the main thread: the JSON of ten thousand records, written atomically.
void BM_HistoryIndexWrite(benchmark::State &state) {
    const HistoryRecords records = HistoryIndexFile::read(scale().fixture.indexPath).records;
    HistoryIndexWriter writer(scale().root.filePath(QStringLiteral("written.json")));
    for (auto _ : state) {
        writer.write(records);
        writer.waitForDone();
    }
}
BENCHMARK(BM_HistoryIndexWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The keep limit brought down: 9,980 of the 10,000 files forgotten at once.
void BM_HistoryForget9980(benchmark::State &state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto store = loadedStore(scratchCopyOfIndex());
        QStringList gone;
        for (qsizetype i = 20; i < store->entries().size(); ++i) gone.append(store->entries()[i].path());
        state.ResumeTiming();
        store->forget(gone);
        state.PauseTiming();
        if (store->entries().size() != 20) state.SkipWithError("forget missed entries");
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryForget9980)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
