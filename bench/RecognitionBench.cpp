// Text recognition on the corpus of interface screenshots: our reader against the `tesseract`
// program (started once per page, as a user would, with OMP_THREAD_LIMIT=1), page by page, for the
// whole corpus and for each kind of laid-out page; what each of them finds of the sensitive data,
// reads twice and keeps in order; the blank pre-pass; and what the OpenMP guard saves.
// BM_RecognizeOnProcessors sets each kind of page against the program in a fresh process held to all
// the processors the bench may use and to two of them, as on a small machine: its `ratio` is our time
// over the program's, warm, and `first_ratio` the same for the fresh process's first read.
#include "support/RecognitionCorpus.h"

#include "core/TextRecognizer.h"
#include "platform/TextEngineModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>

#include <sched.h>

namespace {

using platform::TextLine;

struct Page {
    corpus::Screen screen;
    QString file; // the screenshot as PNG, for the program
};

QTemporaryDir &scratch() {
    static QTemporaryDir dir;
    return dir;
}

// The screens as pages, each saved as PNG for the program.
QList<Page> pagesOf(const QList<corpus::Screen> &screens) {
    QList<Page> l;
    for (const corpus::Screen &s : screens) {
        Page p{s, scratch().filePath(s.name + QStringLiteral(".png"))};
        p.screen.image.save(p.file);
        l.append(p);
    }
    return l;
}

const QList<Page> &pages() {
    static const QList<Page> list = pagesOf(corpus::widgetScreens());
    return list;
}

const QList<Page> &layoutPages() {
    static const QList<Page> list = pagesOf(corpus::layoutScreens());
    return list;
}

// Four terminals filling a full-HD screen: the densest page, where a slow read shows first.
const QList<Page> &terminalPages() {
    static const QList<Page> list = pagesOf({corpus::terminalsScreen()});
    return list;
}

// Small text on striped rows, and the same pages on one colour.
const QList<Page> &tablePages(bool striped) {
    static const QList<Page> stripes = pagesOf(corpus::tableScreens(true));
    static const QList<Page> plain = pagesOf(corpus::tableScreens(false));
    return striped ? stripes : plain;
}

void warmUp() {
    // Every engine of the pool, of both models, is initialised (a tenth of a second or so each)
    // before anything is timed: the second model only starts where a page has unsure words.
    static const bool once = [] {
        for (const Page &p : pages()) TextRecognizer::readLines(p.screen.image);
        return true;
    }();
    (void)once;
}

QList<TextLine> ours(const Page &p) { return TextRecognizer::readLines(p.screen.image); }

// The processors this process may run on.
QList<int> allowedProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    QList<int> cpus;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return cpus;
    for (int c = 0; c < CPU_SETSIZE; ++c) {
        if (CPU_ISSET(c, &set)) cpus.append(c);
    }
    return cpus;
}

// Holds a child process to `cpus` (all of ours when empty) before it starts.
void holdTo(QProcess &process, const QList<int> &cpus) {
    if (cpus.isEmpty()) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    for (const int c : cpus) CPU_SET(c, &set);
    process.setChildProcessModifier([set] { sched_setaffinity(0, sizeof set, &set); });
}

// The program's words, with their boxes, as lines; each character gets an equal share of its word.
QList<TextLine> programOn(const Page &p, const QList<int> &cpus) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    holdTo(process, cpus);
    process.start(QStringLiteral("tesseract"), {p.file, QStringLiteral("-"), QStringLiteral("-l"),
                                                QStringLiteral("por+eng"), QStringLiteral("tsv")});
    process.waitForFinished(300000);
    std::map<std::tuple<int, int, int>, TextLine> lines;
    for (const QString &row : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList c = row.split(QLatin1Char('\t'));
        if (c.size() < 12 || c[0] != QLatin1String("5") || c[11].trimmed().isEmpty()) continue;
        TextLine &line = lines[{c[2].toInt(), c[3].toInt(), c[4].toInt()}];
        const QString word = c[11].trimmed();
        const QRectF box(c[6].toDouble(), c[7].toDouble(), c[8].toDouble(), c[9].toDouble());
        if (!line.text.isEmpty()) line.text += QLatin1Char(' ');
        for (qsizetype i = 0; i < word.size(); ++i) {
            line.glyphs.append(
                {line.text.size() + i, 1,
                 QRectF(box.x() + box.width() * i / word.size(), box.y(), box.width() / word.size(), box.height())});
        }
        line.text += word;
        line.box = line.box.isNull() ? box : line.box.united(box);
    }
    QList<TextLine> result;
    for (auto &[key, line] : lines) result.append(line);
    return result;
}

QList<TextLine> program(const Page &p) { return programOn(p, {}); }

// How many sensitive values of the page a region covers whole, and how many regions touch a value
// that is not sensitive.
std::pair<int, int> sensitiveFound(const corpus::Screen &s, const QList<TextLine> &lines) {
    const QList<QRectF> regions = TextRecognizer::sensitiveRegions(lines);
    int found = 0, wrong = 0;
    for (const corpus::TruthLine &line : s.lines) {
        const QRectF value = line.ink.isNull() ? line.box : line.ink;
        if (line.role == corpus::Role::sensitive) {
            found +=
                std::any_of(regions.begin(), regions.end(), [&](const QRectF &r) { return r.contains(value); }) ? 1 : 0;
        } else if (line.role == corpus::Role::notSensitive) {
            wrong += std::any_of(regions.begin(), regions.end(), [&](const QRectF &r) { return r.intersects(value); })
                         ? 1
                         : 0;
        }
    }
    return {found, wrong};
}

// What the user copies: our joined text, or the program's lines in its own order.
enum class Copy { ours, asRead };

QString copiedText(const QList<TextLine> &lines, Copy copy) {
    if (copy == Copy::ours) return TextRecognizer::joinedText(lines);
    QStringList texts;
    for (const TextLine &l : lines) texts.append(l.text);
    return texts.join(QLatin1Char('\n'));
}

void report(benchmark::State &state, const QList<const Page *> &read, const QList<QList<TextLine>> &results,
            Copy copy) {
    corpus::Score total;
    int sensitive = 0, found = 0, wrong = 0, duplicated = 0, phantom = 0;
    corpus::Order order;
    for (qsizetype i = 0; i < read.size(); ++i) {
        total += corpus::score(read[i]->screen, corpus::wordsOf(results[i]));
        duplicated += corpus::duplicatedLines(results[i]);
        phantom += corpus::phantomLines(read[i]->screen, results[i]);
        if (!read[i]->screen.copy.isEmpty()) {
            const corpus::Order o = corpus::orderOf(read[i]->screen, copiedText(results[i], copy));
            order.lines += o.lines;
            order.whole += o.whole;
            order.inOrder += o.inOrder;
        }
        const auto [f, w] = sensitiveFound(read[i]->screen, results[i]);
        found += f;
        wrong += w;
        for (const corpus::TruthLine &l : read[i]->screen.lines) sensitive += l.role == corpus::Role::sensitive ? 1 : 0;
    }
    state.counters["word_recall"] = total.recall();
    state.counters["duplicated_lines"] = duplicated;
    state.counters["phantom_lines"] = phantom;
    if (order.lines > 0) {
        state.counters["rows_whole"] = double(order.whole) / order.lines;
        state.counters["order_right"] = order.right();
    }
    state.counters["mark_recall"] = total.markRecall();
    const std::pair<const char *, QChar> marks[] = {{"underscore", QLatin1Char('_')},
                                                    {"hyphen", QLatin1Char('-')},
                                                    {"at", QLatin1Char('@')},
                                                    {"dot", QLatin1Char('.')},
                                                    {"slash", QLatin1Char('/')}};
    for (const auto &[name, mark] : marks) {
        const auto counts = total.byMark.value(mark);
        if (counts.first > 0) state.counters[name] = double(counts.second) / counts.first;
    }
    if (sensitive > 0) {
        state.counters["sensitive_found"] = double(found) / sensitive;
        state.counters["flags_on_others"] = wrong;
    }
    state.counters["pages"] = double(read.size());
    state.SetItemsProcessed(state.iterations() * read.size());
}

template <typename Reader>
void readPages(benchmark::State &state, const QList<const Page *> &read, Reader reader, Copy copy) {
    QList<QList<TextLine>> results;
    for (auto _ : state) {
        results.clear();
        for (const Page *p : read) results.append(reader(*p));
    }
    report(state, read, results, copy);
}

QList<const Page *> allOf(const QList<Page> &list) {
    QList<const Page *> l;
    for (const Page &p : list) l.append(&p);
    return l;
}

QList<const Page *> allPages() { return allOf(pages()); }

void BM_RecognizeBlank(benchmark::State &state) {
    warmUp();
    QImage blank(2880, 1800, QImage::Format_ARGB32_Premultiplied);
    blank.fill(QColor(0xf4, 0xf4, 0xf6));
    for (auto _ : state) benchmark::DoNotOptimize(TextRecognizer::readLines(blank));
}
BENCHMARK(BM_RecognizeBlank)->Unit(benchmark::kMillisecond)->UseRealTime();

// One line read by an engine at work (arg 0), and by one that went idle and let its module and
// instances go (arg 1): the module loaded again, an instance started, the line read.
void BM_RecognizeLineAfterIdle(benchmark::State &state) {
    namespace module = platform::TextEngineModule;
    const bool idle = state.range(0) != 0;
    const corpus::Screen &screen = pages().first().screen;
    const QImage line = screen.image.copy(screen.lines.first().box.toAlignedRect().adjusted(-4, -4, 4, 4));
    module::setIdleLife(std::chrono::milliseconds(idle ? 1 : 60000));
    platform::TextEngine &engine = platform::tesseractEngine();
    engine.readLine(line, 1, {});
    for (auto _ : state) {
        if (idle) {
            state.PauseTiming();
            while (module::isLoaded()) QThread::msleep(2);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(engine.readLine(line, 1, {}));
    }
    module::setIdleLife(std::chrono::milliseconds(4000));
}
BENCHMARK(BM_RecognizeLineAfterIdle)->Arg(0)->Arg(1)->ArgName("idle")->Unit(benchmark::kMillisecond)->UseRealTime();

// The first recognition of a page once the engine has let go of everything: cold (arg 0), as after
// a pause with nothing open, and kept ready (arg 1), as in an editor on the screen, which started the
// engine while the user looked at the capture.
void BM_RecognizeFirstPageAfterPause(benchmark::State &state) {
    namespace module = platform::TextEngineModule;
    const bool kept = state.range(0) != 0;
    const QImage &page = pages().first().screen.image;
    module::setPrepareDelay(std::chrono::milliseconds(0));
    for (auto _ : state) {
        state.PauseTiming();
        module::setIdleLife(std::chrono::milliseconds(1));
        while (module::isLoaded()) QThread::msleep(2);
        module::setIdleLife(std::chrono::milliseconds(60000));
        std::shared_ptr<void> ready;
        if (kept) {
            ready = platform::tesseractEngine().keepReady();
            while (!module::isLoaded()) QThread::msleep(2);
            QThread::msleep(3000); // the instances start meanwhile, as the user looks
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(TextRecognizer::readLines(page));
    }
    module::setPrepareDelay(std::chrono::milliseconds(1000));
}
BENCHMARK(BM_RecognizeFirstPageAfterPause)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("kept")
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One recognition of the log page in a fresh process started without OMP_THREAD_LIMIT, with and
// without the guard; the time is the child's own recognition, start-up excluded.
void BM_RecognizeOpenMPGuard(benchmark::State &state) {
    const bool guarded = state.range(0) != 0;
    const auto log = std::find_if(pages().begin(), pages().end(), [](const Page &p) { return p.screen.smallText; });
    QStringList args{QStringLiteral("--recognition-child=") + log->file};
    if (!guarded) args << QStringLiteral("--no-openmp-guard");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("OMP_THREAD_LIMIT"));
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), args);
        p.waitForFinished(300000);
        const double ms = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble();
        if (ms <= 0) {
            state.SkipWithError("the child process failed");
            break;
        }
        state.SetIterationTime(ms / 1000);
    }
}
BENCHMARK(BM_RecognizeOpenMPGuard)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("guarded")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();

// Each kind of page read by a fresh process of ours held to `cpus` (all of ours when empty) and by the
// program held to the same processors, a page at a time. The child reads every page once (the first
// of them with the engine's start), then times a second read of all; the program starts for each page.
void readOnProcessors(benchmark::State &state, const QList<const Page *> &read, int processors) {
    QList<int> cpus = allowedProcessors();
    if (processors > 0 && cpus.size() > processors) cpus = cpus.mid(cpus.size() - processors);
    QStringList args{QStringLiteral("--recognition-pages-child")};
    for (const Page *p : read) args.append(p->file);
    double ours = 0, first = 0, theirs = 0, theirFirst = 0;
    for (auto _ : state) {
        QProcess child;
        holdTo(child, processors > 0 ? cpus : QList<int>());
        child.start(QCoreApplication::applicationFilePath(), args);
        child.waitForFinished(600000);
        const QStringList times = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char(' '));
        if (times.size() != 2 || times[1].toDouble() <= 0) {
            state.SkipWithError("the child process failed");
            return;
        }
        first = times[0].toDouble();
        ours = times[1].toDouble();
        theirs = 0;
        for (const Page *p : read) {
            QElapsedTimer timer;
            timer.start();
            programOn(*p, processors > 0 ? cpus : QList<int>());
            const double ms = timer.nsecsElapsed() / 1e6;
            if (p == read.first()) theirFirst = ms;
            theirs += ms;
        }
        state.SetIterationTime(ours / 1000);
    }
    state.counters["processors"] = double(cpus.size());
    state.counters["program_ms"] = theirs;
    state.counters["ratio"] = ours / theirs;
    state.counters["first_ratio"] = first / theirFirst;
    state.counters["pages"] = double(read.size());
}

} // namespace

// Page by page and for the whole corpus, ours (warm engines) and the program's, with their recall.
// Our CPU column counts every thread of the process, so that the work done on one core and on eight
// can be compared even on a busy machine, where the real time says little.
void registerRecognitionBenchmarks() {
    benchmark::RegisterBenchmark("BM_RecognizeCorpus",
                                 [](benchmark::State &state) {
                                     warmUp();
                                     readPages(state, allPages(), ours, Copy::ours);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->UseRealTime()
        ->MeasureProcessCPUTime();
    // Each page read 10 s after the last read, as a user copies text from one capture and then from
    // the next: the engines are kept for a while after a read, so none of them has to start again.
    benchmark::RegisterBenchmark("BM_RecognizeCorpusTenSecondsAfterTheLast",
                                 [](benchmark::State &state) {
                                     warmUp();
                                     readPages(
                                         state, allPages(),
                                         [&state](const Page &p) {
                                             state.PauseTiming();
                                             QThread::sleep(10);
                                             state.ResumeTiming();
                                             return ours(p);
                                         },
                                         Copy::ours);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime()
        ->MeasureProcessCPUTime();
    benchmark::RegisterBenchmark("BM_RecognizeCorpusWithTesseractProgram",
                                 [](benchmark::State &state) { readPages(state, allPages(), program, Copy::asRead); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
    // Each kind of table page as a whole, striped and on one colour.
    for (const bool striped : {true, false}) {
        const std::string kind = striped ? "StripedTables" : "PlainTables";
        benchmark::RegisterBenchmark(("BM_Recognize" + kind).c_str(),
                                     [striped](benchmark::State &state) {
                                         warmUp();
                                         readPages(state, allOf(tablePages(striped)), ours, Copy::ours);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        const std::string programName = "BM_Recognize" + kind + "WithTesseractProgram";
        benchmark::RegisterBenchmark(
            programName.c_str(),
            [striped](benchmark::State &state) { readPages(state, allOf(tablePages(striped)), program, Copy::asRead); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    }
    QList<const Page *> each = allPages();
    each.append(allOf(tablePages(true)));
    each.append(allOf(terminalPages()));
    for (const Page *page : each) {
        const Page &p = *page;
        const std::string name = p.screen.name.toStdString();
        benchmark::RegisterBenchmark(("BM_RecognizePage/" + name).c_str(),
                                     [&p](benchmark::State &state) {
                                         warmUp();
                                         readPages(state, {&p}, ours, Copy::ours);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark(("BM_RecognizePageWithTesseractProgram/" + name).c_str(),
                                     [&p](benchmark::State &state) { readPages(state, {&p}, program, Copy::asRead); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime();
    }
    // The laid-out pages, kind by kind (outlined buttons, label and value rows, windows side by side).
    QStringList kinds;
    for (const Page &p : layoutPages()) {
        if (!kinds.contains(p.screen.kind)) kinds.append(p.screen.kind);
    }
    for (const QString &kind : kinds) {
        const auto ofKind = [kind] {
            QList<const Page *> l;
            for (const Page &p : layoutPages()) {
                if (p.screen.kind == kind) l.append(&p);
            }
            return l;
        };
        const std::string name = kind.toStdString();
        benchmark::RegisterBenchmark(("BM_RecognizeKind/" + name).c_str(),
                                     [ofKind](benchmark::State &state) {
                                         warmUp();
                                         readPages(state, ofKind(), ours, Copy::ours);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        const std::string programName = "BM_RecognizeKindWithTesseractProgram/" + name;
        benchmark::RegisterBenchmark(
            programName.c_str(),
            [ofKind](benchmark::State &state) { readPages(state, ofKind(), program, Copy::asRead); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    }
    // Every kind on all our processors and on two of them.
    QList<std::pair<std::string, QList<const Page *>>> groups{{"corpus", allPages()},
                                                              {"StripedTables", allOf(tablePages(true))},
                                                              {"PlainTables", allOf(tablePages(false))},
                                                              {"terminals", allOf(terminalPages())}};
    for (const QString &kind : kinds) {
        QList<const Page *> l;
        for (const Page &p : layoutPages()) {
            if (p.screen.kind == kind) l.append(&p);
        }
        groups.append({kind.toStdString(), l});
    }
    for (const auto &[name, read] : groups) {
        for (const int processors : {0, 2}) {
            const std::string label = processors ? "/two" : "/all";
            benchmark::RegisterBenchmark(("BM_RecognizeOnProcessors/" + name + label).c_str(),
                                         [read, processors](benchmark::State &state) {
                                             readOnProcessors(state, read, processors);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->UseManualTime();
        }
    }
}

int runRecognitionChild(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "--recognition-pages-child") == 0) {
        QList<QImage> images;
        for (int i = 2; i < argc; ++i) images.append(QImage(QString::fromLocal8Bit(argv[i])));
        if (images.isEmpty() || std::any_of(images.begin(), images.end(), [](const QImage &i) { return i.isNull(); }))
            return 1;
        QElapsedTimer timer;
        timer.start();
        for (const QImage &image : images) {
            TextRecognizer::readLines(image);
            if (&image == &images.first()) std::printf("%.1f ", timer.nsecsElapsed() / 1e6);
        }
        timer.start();
        for (const QImage &image : images) TextRecognizer::readLines(image);
        std::printf("%.1f\n", timer.nsecsElapsed() / 1e6);
        return 0;
    }
    const char *prefix = "--recognition-child=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) != 0) continue;
        const QImage image(QString::fromLocal8Bit(argv[i] + std::strlen(prefix)));
        if (image.isNull()) return 1;
        TextRecognizer::readLines(image); // initialises the engines
        QElapsedTimer timer;
        timer.start();
        TextRecognizer::readLines(image);
        std::printf("%.1f\n", timer.nsecsElapsed() / 1e6);
        return 0;
    }
    return -1;
}
