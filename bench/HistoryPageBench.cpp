// The history page over ten thousand captures: a keystroke and a scroll step, each with the page
// drawn into an image, as a frame would be. Run on one core:
//     taskset -c 0 build/bench/pelicarta_bench --benchmark_filter=HistoryPage
#include "HistoryFixture.h"

#include "history/HistoryGrid.h"
#include "history/HistoryStore.h"
#include "history/HistoryView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace {

const QSize kViewport(1240, 800);

struct Page {
    std::unique_ptr<HistoryStore> history =
        historyfixture::loadedStore(historyfixture::tenThousand().fixture.indexPath);
    HistoryView view{*history, *historyfixture::tenThousand().recents};
    QImage frame{kViewport, QImage::Format_ARGB32_Premultiplied};

    Page() {
        view.resize(kViewport);
        view.show();
        view.reload();
    }
    void draw() { view.render(&frame); }
    // Thumbnails that arrived meanwhile are taken in, outside the timing.
    void takeInPictures(benchmark::State &state) {
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
};

// One keystroke: the query grows by a letter of "configuracoes" (starting again after the last),
// so every search is a new one; the page searches, makes its sections, lays the list out and is
// drawn. `worst_ms` is the slowest keystroke seen.
void BM_HistoryPageKeystroke(benchmark::State &state) {
    Page page;
    const QString word = QStringLiteral("configuracoes");
    qsizetype typed = 0;
    qint64 worst = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        typed = typed % word.size() + 1;
        page.view.findChild<QLineEdit *>(QStringLiteral("searchField"))->setText(word.left(typed));
        page.draw();
        worst = std::max(worst, clock.nsecsElapsed());
        page.takeInPictures(state);
    }
    state.counters["worst_ms"] = double(worst) / 1e6;
}
BENCHMARK(BM_HistoryPageKeystroke)->Unit(benchmark::kMillisecond);

// One scroll step of 120 px (a wheel notch) down the whole list and back, with the page drawn.
void BM_HistoryPageScrollStep(benchmark::State &state) {
    Page page;
    QScrollBar *bar = page.view.findChild<HistoryGrid *>(QStringLiteral("grid"))->verticalScrollBar();
    int direction = 1;
    qint64 worst = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        if (bar->value() >= bar->maximum()) direction = -1;
        if (bar->value() <= bar->minimum()) direction = 1;
        bar->setValue(bar->value() + direction * 120);
        page.draw();
        worst = std::max(worst, clock.nsecsElapsed());
        page.takeInPictures(state);
    }
    state.counters["worst_ms"] = double(worst) / 1e6;
}
BENCHMARK(BM_HistoryPageScrollStep)->Unit(benchmark::kMillisecond);

// The whole list scrolled through, top to bottom and back a screen at a time with the events of
// each step handled, then "configuracoes" typed letter by letter. Counters: the slowest step, the
// thumbnails kept and decoded, the decoding threads, the cards made, and the heap the page holds
// beyond the loaded index once the pictures have come in.
void BM_HistoryPageScrollThrough(benchmark::State &state) {
    for (auto _ : state) {
        const double before = historyfixture::heapInUse();
        Page page;
        const double loaded = historyfixture::heapInUse();
        QScrollBar *bar = page.view.findChild<HistoryGrid *>(QStringLiteral("grid"))->verticalScrollBar();
        qint64 worst = 0;
        const auto step = [&](const std::function<void()> &change) {
            QElapsedTimer clock;
            clock.start();
            change();
            page.draw();
            worst = std::max(worst, clock.nsecsElapsed());
            QCoreApplication::processEvents();
        };
        for (int y = 0; y < bar->maximum(); y += bar->pageStep()) step([&] { bar->setValue(y); });
        for (int y = bar->maximum(); y > 0; y -= bar->pageStep()) step([&] { bar->setValue(y); });
        step([&] { bar->setValue(0); });
        const QString word = QStringLiteral("configuracoes");
        for (qsizetype n = 1; n <= word.size(); ++n) step([&] { page.view.findChild<QLineEdit *>(QStringLiteral("searchField"))->setText(word.left(n)); });
        // The pictures of the last screen come in.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const PictureService &thumbnails = page.history->thumbnails();
        state.counters["worst_ms"] = double(worst) / 1e6;
        state.counters["cached"] = thumbnails.keptCount();
        state.counters["decoded"] = thumbnails.decodedCount();
        state.counters["threads"] = thumbnails.threadCount();
        state.counters["cards"] = page.view.findChild<HistoryGrid *>(QStringLiteral("grid"))->cardsMade();
        state.counters["page_MB"] = (historyfixture::heapInUse() - loaded) / 1e6;
        state.counters["index_MB"] = (loaded - before) / 1e6;
    }
}
BENCHMARK(BM_HistoryPageScrollThrough)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
