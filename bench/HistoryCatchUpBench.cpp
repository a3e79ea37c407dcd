// The history index catching up after a burst: N full-screen captures (1920 × 1080 HEIC, as the
// recents folder keeps them) that the index lacks, read by the program's reader process from the
// moment the store is made until the index is whole; the captures show one screen (a burst of one
// desktop) or each a screen of its own, where no line of text is drawn twice (`/distinct:1`). Run it
// on two processors, quoting the load:
//     taskset -c 6,7 build/bench/pelicarta_bench --benchmark_filter=HistoryCatchUp
// `s_each` is the wall time per capture, `cpu_each` the reader's processor time per capture, and
// `lines_each` how many of a capture's 84 lines of report text were read whole, `reader_peak_MB` the
// reader process's peak resident memory.
#include "BusyDesktop.h"

#include "core/TextReaderProcess.h"
#include "history/HistoryStore.h"
#include "platform/HeifCodec.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

#ifdef PELICARTA_PROGRAM

double childCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The peak resident memory of the process `pid` since it started its program.
double peakMegabytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (pid <= 0 || !status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

void BM_HistoryCatchUp(benchmark::State &state) {
    const int count = int(state.range(0));
    const bool distinct = state.range(1) != 0;
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Recentes"));
    QDir().mkpath(folder);
    QList<RecentsStore::File> files;
    const QDateTime start(QDate(2026, 1, 2), QTime(10, 0));
    std::optional<QByteArray> heic;
    for (int i = 0; i < count; ++i) {
        if (!heic || distinct)
            heic = platform::HeifCodec::encode(busyDesktop(QSize(1920, 1080), distinct ? i : 0), 0.92);
        if (!heic) return state.SkipWithError("no HEIC encoder");
        const QString path = folder + QStringLiteral("/Pelicarta %1.heic").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*heic) != heic->size())
            return state.SkipWithError("cannot write the captures");
        files.prepend({path, start.addSecs(2 * i)});
    }

    double seconds = 0, cpu = 0, lines = 0, peak = 0;
    for (auto _ : state) {
        const QString indexPath = root.filePath(QStringLiteral("Indice-do-historico.json"));
        QFile::remove(indexPath);
        const double cpuBefore = childCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        {
            TextReaderProcess::Options readerOptions;
            readerOptions.program = QStringLiteral(PELICARTA_PROGRAM);
            auto reader = std::make_shared<TextReaderProcess>(readerOptions);
            HistoryStore::Options options;
            options.indexPath = indexPath;
            options.files = [&files] { return files; };
            options.reader = reader;
            HistoryStore store(options);
            QEventLoop loop;
            QObject::connect(&store, &HistoryStore::pendingCountChanged, &loop, [&loop](int left) {
                if (left == 0) loop.quit();
            });
            loop.exec();
            seconds = double(clock.elapsed()) / 1000;
            qsizetype whole = 0;
            for (const HistoryEntry &entry : store.entries())
                whole += store.text(entry).count(QStringLiteral("relatório trimestral mostra receita de R$"));
            lines = double(whole) / count;
            peak = peakMegabytes(reader->processId());
            reader->stop(); // its processor time is counted once it has been waited for
        }
        cpu = childCpuSeconds() - cpuBefore;
    }
    state.counters["s_each"] = seconds / count;
    state.counters["cpu_each"] = cpu / count;
    state.counters["lines_each"] = lines;
    state.counters["reader_peak_MB"] = peak;
}
BENCHMARK(BM_HistoryCatchUp)
    ->ArgNames({"captures", "distinct"})
    ->Args({20, 0})
    ->Args({200, 0})
    ->Args({20, 1})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

#endif

} // namespace
