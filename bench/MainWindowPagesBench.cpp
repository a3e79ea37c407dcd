// The main window's content as a user first meets it: the shell built on the home page and painted,
// then each other page from the click that shows it to its painted frame. The counters give each
// step's mean in milliseconds (a page built at start makes the first step slower and its own faster).
#include "BenchImages.h"

#include "app/AppRouter.h"
#include "app/AppShellView.h"
#include "app/MainWindowController.h"
#include "core/Settings.h"
#include "editor/EditorModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <utility>

namespace {

void BM_MainWindowPagesFirstShown(benchmark::State &state) {
    // The shared stores read the settings and folders of a home of their own.
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    const std::array<std::pair<AppRouter::Page, const char *>, 4> pages{{{AppRouter::Page::tutorial, "tutorial_ms"},
                                                                         {AppRouter::Page::brand, "brand_ms"},
                                                                         {AppRouter::Page::settings, "settings_ms"},
                                                                         {AppRouter::Page::editor, "editor_ms"}}};
    for (auto _ : state) {
        AppRouter router;
        QElapsedTimer clock;
        clock.start();
        AppShellView shell(router);
        shell.resize(1240, 800);
        benchmark::DoNotOptimize(shell.grab().cacheKey());
        state.counters["home_ms"] += double(clock.nsecsElapsed()) / 1e6;
        for (const auto &[page, name] : pages) {
            clock.restart();
            router.setPage(page);
            benchmark::DoNotOptimize(shell.grab().cacheKey());
            state.counters[name] += double(clock.nsecsElapsed()) / 1e6;
        }
    }
    for (auto &[name, counter] : state.counters) counter.flags = benchmark::Counter::kAvgIterations;
}
BENCHMARK(BM_MainWindowPagesFirstShown)->Unit(benchmark::kMillisecond)->Iterations(15);

// A 1920 × 1080 capture delivered to the editor as the capture road does it: the main window opened
// on it until its result and size estimate are shown, then closed. The time is the longest turn of the
// event loop in that (the open, the show, the first frame, the result's frame, the old editor let go).
void BM_CaptureToEditorLongestTurn(benchmark::State &state) {
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    Settings::hasCompletedOnboarding.set(true);
    const QImage capture = benchScreenshot(1920, 1080);
    MainWindowController &windows = MainWindowController::shared();
    for (auto _ : state) {
        QElapsedTimer turn;
        double longest = 0;
        auto timed = [&](auto &&work) {
            turn.restart();
            work();
            longest = std::max(longest, double(turn.nsecsElapsed()) / 1e6);
        };
        const QImage image = capture.copy(); // each capture is a new image
        timed([&] { AppRouter::shared().openEditor(image, QString(), std::nullopt); });
        timed([&] { windows.show(AppRouter::Page::editor); });
        EditorModel *model = AppRouter::shared().editor();
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < 10000 && (model->render().preview().isNull() || !model->render().estimatedBytes()))
            timed([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
        for (int i = 0; i < 20; ++i) timed([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
        state.SetIterationTime(longest / 1e3);
        windows.window()->close();
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
        EditorThreads::estimatePool().waitForDone();
        EditorThreads::renderPool().waitForDone();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
BENCHMARK(BM_CaptureToEditorLongestTurn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
