// The main window's content as a user first meets it: the shell built on the home page and painted,
// then each other page from the click that shows it to its painted frame. The counters give each
// step's mean in milliseconds (a page built at start makes the first step slower and its own faster).
#include "app/AppRouter.h"
#include "app/AppShellView.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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

} // namespace
