// The history page over ten thousand captures: a keystroke and a scroll step, each with the page
// drawn into an image, as a frame would be. Run on one core:
//     taskset -c 0 build/bench/pelicarta_bench --benchmark_filter=HistoryPage
// The first visit over 33 full-screen HEIC captures is measured on two:
//     taskset -c 6,7 build/bench/pelicarta_bench --benchmark_filter=HistoryPageFirstVisit
#include "HistoryFixture.h"

#include "history/HistoryGrid.h"
#include "history/HistoryStore.h"
#include "history/HistoryCard.h"
#include "history/HistoryView.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

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
        for (qsizetype n = 1; n <= word.size(); ++n)
            step([&] { page.view.findChild<QLineEdit *>(QStringLiteral("searchField"))->setText(word.left(n)); });
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

// The first visit to the page over 33 captures of a 1080p desktop kept as HEIC, no picture of them
// decoded yet: from the page's first showing until the first card, and every card on the screen, show
// a picture. Counters: those two moments and the cards on the screen.
void BM_HistoryPageFirstVisit(benchmark::State &state) {
    static QTemporaryDir root;
    static const historyfixture::Fixture fixture =
        historyfixture::make(root.path(), 33, 58, QDateTime::currentDateTime(), historyfixture::Captures::screenHeic);
    platform::UserDefaults defaults(root.filePath(QStringLiteral("defaults.json")));
    const std::unique_ptr<testsupport::FixedFileDates> dates = fixture.fileDates();
    RecentsStore recents(defaults, fixture.recentsFolder);
    const std::unique_ptr<HistoryStore> history = historyfixture::loadedStore(fixture.indexPath, &recents);
    // The home page's recents have their pictures long before anyone opens the history.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 30000 && std::any_of(recents.items().cbegin(), recents.items().cend(),
                                                     [](const RecentCapture &item) { return item.thumbnail.isNull(); }))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    double first = 0, all = 0, cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // As on a first visit: nothing of these captures decoded yet.
        for (const RecentsStore::File &file : recents.allFiles()) PictureService::shared().forget(file.path);
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        HistoryView view{*history, recents};
        view.resize(kViewport);
        view.show();
        view.reload();
        const auto grid = [&] { return view.findChild<HistoryGrid *>(QStringLiteral("grid")); };
        qint64 firstNs = -1;
        // Looked at as events come (a picture arriving is one), without spinning: the page's work and
        // the decoding share the two processors with nothing else.
        QTimer tick;
        tick.start(50);
        while (clock.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const QList<HistoryCard *> shown = grid() ? grid()->shownCards() : QList<HistoryCard *>();
            const auto pictured = std::count_if(shown.cbegin(), shown.cend(), [](const HistoryCard *card) {
                return card->picture() == HistoryCard::Picture::shown;
            });
            if (pictured > 0 && firstNs < 0) firstNs = clock.nsecsElapsed();
            if (!shown.isEmpty() && pictured == shown.size()) {
                cards = double(shown.size());
                break;
            }
        }
        first += double(firstNs) / 1e6;
        all += double(clock.nsecsElapsed()) / 1e6;
    }
    state.counters["first_ms"] = first / double(state.iterations());
    state.counters["all_ms"] = all / double(state.iterations());
    state.counters["cards"] = cards;
}
BENCHMARK(BM_HistoryPageFirstVisit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
