#include "BenchImages.h"
#include "brand/BrandStore.h"
#include "core/ShortcutStore.h"
#include "platform/PngStreamWriter.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/TutorialLibraryGrid.h"
#include "tutorial_window/TutorialLibraryView.h"
#include "tutorial_window/TutorialView.h"
#include "tutorials/TutorialStore.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThreadPool>

#include <benchmark/benchmark.h>

// The tutorial pages as a user meets them. Run on one core (taskset -c 0) for the figures that matter.
//   BM_TutorialOpen: a 100-step tutorial of 1920 × 1080 captures, from the click that opens it to its
//     first painted frame (the pictures follow from the background).
//   BM_TutorialSearchKeystroke: one more letter in the search field over 500 tutorials of 20 steps:
//     the search, the grid and its repaint.

namespace {

QString wordsFor(int i) {
    static const QStringList words{QStringLiteral("Abra"),       QStringLiteral("o"),       QStringLiteral("relatório"),
                                   QStringLiteral("clique"),     QStringLiteral("em"),      QStringLiteral("Exportar"),
                                   QStringLiteral("confira"),    QStringLiteral("valores"), QStringLiteral("tabela"),
                                   QStringLiteral("financeiro"), QStringLiteral("mês"),     QStringLiteral("chamado")};
    QStringList text;
    for (int w = 0; w < 12; ++w) text.append(words[(i * 7 + w * 5) % words.size()]);
    return text.join(QLatin1Char(' '));
}

void pump() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

void BM_TutorialOpen(benchmark::State &state) {
    QTemporaryDir home;
    TutorialStore store(home.filePath(QStringLiteral("Tutoriais")));
    const QUuid id = store.newTutorial();
    // Ten distinct captures, each written as recording writes a step, shown by ten steps each.
    QList<QByteArray> captures;
    for (int i = 0; i < 10; ++i) {
        QImage capture = benchScreenshot(1920, 1080);
        if (i % 3 == 2) capture.invertPixels();
        capture.setPixel(i, i, 0xff102030);
        captures.append(*platform::PngStreamWriter::encode(capture));
    }
    Tutorial tutorial = store.tutorial();
    for (int i = 0; i < 100; ++i) {
        TutorialStep step;
        step.imageFile = QStringLiteral("passo-%1.png").arg(i, 8, 10, QLatin1Char('0'));
        step.title = QStringLiteral("Passo %1").arg(i + 1);
        step.detail = wordsFor(i);
        if (i % 2 == 0) step.marker = QPointF(0.3, 0.4);
        QFile file(store.folder(id) + QLatin1Char('/') + step.imageFile);
        file.open(QIODevice::WriteOnly);
        file.write(captures[i % captures.size()]);
        tutorial.steps.append(step);
    }
    store.setTutorial(tutorial);
    store.closeTutorial();
    ShortcutStore &shortcuts = ShortcutStore::shared();

    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<TutorialView>(store, shortcuts, BrandStore::shared());
        view->resize(1240, 800);
        view->show();
        pump();
        state.ResumeTiming();

        store.open(id);
        view->repaint();

        state.PauseTiming();
        store.closeTutorial();
        view.reset();
        pump();
        state.ResumeTiming();
    }
}

void BM_TutorialSearchKeystroke(benchmark::State &state) {
    QTemporaryDir home;
    TutorialStore store(home.filePath(QStringLiteral("Tutoriais")));
    for (int t = 0; t < 500; ++t) {
        store.newTutorial();
        Tutorial tutorial = store.tutorial();
        tutorial.title = QStringLiteral("Tutorial %1: %2").arg(t).arg(wordsFor(t).left(30));
        for (int s = 0; s < 20; ++s) {
            TutorialStep step;
            step.title = QStringLiteral("Passo %1").arg(s + 1);
            step.detail = wordsFor(t * 20 + s);
            step.imageFile = QStringLiteral("passo-%1.png").arg(s, 8, 10, QLatin1Char('0'));
            tutorial.steps.append(step);
        }
        store.setTutorial(tutorial);
    }
    store.closeTutorial();
    PictureLoader loader;
    TutorialLibraryView view(store, ShortcutStore::shared(), loader);
    view.resize(1240, 800);
    view.show();
    pump();
    // Typing "relatório " and taking it back again, one letter at a time.
    const QString word = QStringLiteral("relatório x");
    QStringList keystrokes;
    for (qsizetype i = 1; i <= word.size(); ++i) keystrokes.append(word.left(i));
    for (qsizetype i = word.size() - 1; i >= 0; --i) keystrokes.append(word.left(i));
    qsizetype next = 0;
    auto *field = view.findChild<QLineEdit *>(QStringLiteral("searchField"));
    auto *grid = view.findChild<QWidget *>(QStringLiteral("grid"));
    for (auto _ : state) {
        field->setText(keystrokes[next]);
        grid->repaint();
        next = (next + 1) % keystrokes.size();
    }
}

} // namespace

BENCHMARK(BM_TutorialOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_TutorialSearchKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();
