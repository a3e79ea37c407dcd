#include "support/RecognitionCorpus.h"
#include "platform/PngStreamWriter.h"
#include "tutorials/GuideFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// Exports of a tutorial whose steps are 1920 × 1080 captures read from disk, as the exporter's
// background work runs them: every picture decoded when its step is drawn. Run on one core
// (taskset -c 0) for the figures that matter. "peakMB" is how far the process's peak resident memory
// rose above what it held before the export.

namespace {

struct Library {
    QTemporaryDir folder;
    QList<QString> files;
};

// The captures, written once for every benchmark: the interface screenshots of the recognition
// corpus (light and dark) at 1920 × 1080.
const Library &captures() {
    static Library *library = [] {
        auto *made = new Library;
        const QList<corpus::Screen> screens = corpus::widgetScreens();
        for (int i = 0; i < 10; ++i) {
            const QImage capture =
                screens[i % screens.size()].image.scaled(1920, 1080, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QString path = made->folder.filePath(QStringLiteral("passo-%1.png").arg(i));
            // Written as the tutorial store writes a recorded step.
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(*platform::PngStreamWriter::encode(capture));
            made->files.append(path);
        }
        return made;
    }();
    return *library;
}

TutorialRenderer::Input input(int steps) {
    TutorialRenderer::Input in;
    in.title = QStringLiteral("Como fechar o mês no sistema financeiro");
    in.date = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < steps; ++i) {
        TutorialStep step;
        step.title = QStringLiteral("Abra o relatório %1").arg(i + 1);
        step.detail = QStringLiteral("Confira os valores da tabela e clique em Exportar para seguir.");
        if (i % 2 == 0) step.marker = QPointF(0.3 + 0.02 * (i % 10), 0.4);
        in.steps.append(*StepPicture::probe(step, captures().files[i % captures().files.size()]));
    }
    return in;
}

qint64 statusKiB(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return 0;
}

// Resets the peak resident size to the current one (Linux 4.0 and later).
void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

template <typename Export>
void runExport(benchmark::State &state, Export exportTo) {
    const TutorialRenderer::Input in = input(static_cast<int>(state.range(0)));
    QTemporaryDir out;
    double peak = 0;
    for (auto _ : state) {
        resetPeak();
        const qint64 before = statusKiB("VmRSS:");
        const GuideFiles::Outcome outcome = exportTo(in, out.path());
        peak = std::max(peak, (statusKiB("VmHWM:") - before) / 1024.0);
        if (outcome.kind != GuideFiles::Outcome::Kind::written) state.SkipWithError("export failed");
    }
    state.counters["peakMB"] = peak;
}

void BM_TutorialGuidePng(benchmark::State &state) {
    runExport(state, [](const TutorialRenderer::Input &in, const QString &folder) {
        return GuideFiles::writeImage(in, folder + QStringLiteral("/guia.png"));
    });
}

void BM_TutorialGuidePdf(benchmark::State &state) {
    runExport(state, [](const TutorialRenderer::Input &in, const QString &folder) {
        return GuideFiles::writePDF(in, folder + QStringLiteral("/guia.pdf"));
    });
}

void BM_TutorialMarkdownFolder(benchmark::State &state) {
    runExport(state, [](const TutorialRenderer::Input &in, const QString &folder) {
        return GuideFiles::writeMarkdown(in, folder, QStringLiteral("Guia"));
    });
}

} // namespace

BENCHMARK(BM_TutorialGuidePng)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_TutorialGuidePdf)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_TutorialMarkdownFolder)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
