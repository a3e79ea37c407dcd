#include "history/HistoryView.h"

#include "HistoryPageFixture.h"
#include "history/HistoryCard.h"
#include "history/HistoryGrid.h"
#include "history/HistoryHeaderControls.h"
#include "history/HistoryPeriod.h"
#include "widgets/SectionLabel.h"
#include "widgets/Segmented.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QScrollBar>
#include <QSignalSpy>

using namespace historypage;

namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(10, 0));

HistoryGrid *gridOf(const HistoryView &page) { return testsupport::namedChild<HistoryGrid>(page, "grid"); }
QLineEdit *searchFieldOf(const HistoryView &page) { return testsupport::namedChild<QLineEdit>(page, "searchField"); }
Segmented<HistoryPeriod> *periodSwitchOf(const HistoryView &page) {
    return testsupport::namedChild<Segmented<HistoryPeriod>>(page, "periodSwitch");
}
QString textOf(const HistoryView &page, const char *label) {
    return testsupport::namedChild<QLabel>(page, label)->text();
}
// The reading line while texts are still to be read; empty otherwise.
QString readingTextOf(const HistoryView &page) {
    return testsupport::namedChild<QWidget>(page, "reading")->isHidden() ? QString() : textOf(page, "readingLine");
}
// The period switch's item for `period`.
QAbstractButton *periodItemOf(const HistoryView &page, HistoryPeriod period) {
    const QByteArray name = "segment" + QByteArray::number(allHistoryPeriods().indexOf(period));
    return testsupport::namedChild<QAbstractButton>(*periodSwitchOf(page), name.constData());
}
void choosePeriod(const HistoryView &page, HistoryPeriod period) { periodItemOf(page, period)->click(); }
// The period the switch shows chosen.
std::optional<HistoryPeriod> periodOf(const HistoryView &page) {
    for (HistoryPeriod period : allHistoryPeriods())
        if (periodItemOf(page, period)->isChecked()) return period;
    return std::nullopt;
}
// The path of the card shown selected; empty when none is.
QString selectedPathOf(const HistoryView &page) {
    for (HistoryCard *card : gridOf(page)->shownCards())
        if (card->isSelected()) return card->entry().path();
    return {};
}
// The empty state's action button while it shows one; null otherwise.
QAbstractButton *emptyActionOf(const HistoryView &page) {
    auto *action = testsupport::namedChild<QAbstractButton>(page, "emptyAction");
    return action->isHidden() ? nullptr : action;
}

class HistoryViewTest : public HistoryPageTest {
protected:
    void TearDown() override {
        view.reset();
        HistoryPageTest::TearDown();
    }

    HistoryView &showView(QSize size = {1000, 800}) {
        view = std::make_unique<HistoryView>(*history, *recents);
        view->resize(size);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->reload();
        return *view;
    }
    QStringList shownPaths() const {
        QStringList paths;
        for (HistoryCard *card : gridOf(*view)->shownCards()) paths.append(card->entry().path());
        return paths;
    }
    QStringList headings() const {
        QStringList texts;
        for (SectionLabel *label : gridOf(*view)->shownHeadings()) texts.append(label->shownText());
        return texts;
    }
    void type(const QString &text) { searchFieldOf(*view)->setText(text); }
    void activate() {
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    testsupport::FixedClock clock{kNow};
    std::unique_ptr<HistoryView> view;
};

} // namespace

TEST_F(HistoryViewTest, TheContentFollowsKeepingTheIndexAndTheSearch) {
    // Keeping off, with files still on disk: the page says so and leads to the settings.
    Settings::historyKeep.set(0, defaults);
    addCapture(QStringLiteral("a.png"), kNow.addSecs(-60), QStringLiteral("Relatório anual"));
    addCapture(QStringLiteral("b.png"), kNow.addSecs(-120), QString());
    addCapture(QStringLiteral("c.png"), kNow.addSecs(-180), std::nullopt); // not read yet
    openStores();
    HistoryView &page = showView();
    EXPECT_EQ(page.state(), HistoryView::State::off);
    EXPECT_EQ(textOf(page, "emptyTitle"), QStringLiteral("O histórico está desligado"));
    QSignalSpy settings(&page, &HistoryView::settingsRequested);
    ASSERT_NE(emptyActionOf(page), nullptr);
    EXPECT_EQ(emptyActionOf(page)->text(), QStringLiteral("Abrir Ajustes"));
    emptyActionOf(page)->click();
    EXPECT_EQ(settings.count(), 1);

    // Turned on again while the page shows: the list, with the reading still to do.
    Settings::historyKeep.set(500, defaults);
    EXPECT_TRUE(testsupport::becomes([&] { return page.state() == HistoryView::State::list; }));
    EXPECT_EQ(readingTextOf(page), QStringLiteral("Lendo o texto dos prints · falta 1"));

    // Nothing found while a reading goes on, then once it is done; "Limpar busca" starts over.
    type(QStringLiteral("orçamento"));
    choosePeriod(page, HistoryPeriod::week);
    EXPECT_EQ(page.state(), HistoryView::State::nothingFound);
    EXPECT_EQ(textOf(page, "emptyTitle"), QStringLiteral("Nada encontrado"));
    EXPECT_EQ(textOf(page, "emptyDetail"),
              QStringLiteral("Alguns prints ainda estão sendo lidos. Tente de novo em instantes."));
    engine.open = true;
    ASSERT_TRUE(testsupport::becomes([this] { return history->pendingCount() == 0; }));
    EXPECT_TRUE(testsupport::becomes([&] { return readingTextOf(page).isEmpty(); }));
    EXPECT_EQ(textOf(page, "emptyDetail"), QStringLiteral("Nenhum print tem esse texto neste período."));
    ASSERT_NE(emptyActionOf(page), nullptr);
    EXPECT_EQ(emptyActionOf(page)->text(), QStringLiteral("Limpar busca"));
    emptyActionOf(page)->click();
    EXPECT_EQ(searchFieldOf(page)->text(), QString());
    EXPECT_EQ(periodOf(page), HistoryPeriod::all);
    EXPECT_EQ(page.state(), HistoryView::State::list);

    // Every capture gone: nothing kept.
    recents->deleteFiles(recents->sortedFiles());
    EXPECT_TRUE(testsupport::becomes([&] { return page.state() == HistoryView::State::empty; }));
    EXPECT_EQ(textOf(page, "emptyTitle"), QStringLiteral("Nenhum print ainda"));
    EXPECT_EQ(emptyActionOf(page), nullptr);
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("Nenhum print guardado"));
}

TEST_F(HistoryViewTest, ASpinnerWithNoReadingUnderWayListsTheFolderOnceMore) {
    addCapture(QStringLiteral("a.png"), kNow.addSecs(-60), QStringLiteral("texto"));
    listFolder = false; // the first listing misses the file
    openStores();
    ASSERT_TRUE(history->entries().isEmpty());
    listFolder = true;
    view = std::make_unique<HistoryView>(*history, *recents);
    // Files on disk and an empty index: the spinner, which no reading would ever end...
    EXPECT_EQ(view->state(), HistoryView::State::indexing);
    // ...so the index lists the folder once more.
    EXPECT_TRUE(testsupport::becomes([this] { return history->entries().size() == 1; }));
    view->show();
    EXPECT_TRUE(testsupport::becomes([this] { return view->state() == HistoryView::State::list; }));
}

TEST_F(HistoryViewTest, TheSummaryCountsWhatIsKeptOrWhatIsFound) {
    addCapture(QStringLiteral("p1.png"), kNow.addSecs(-60), QStringLiteral("Configuração da Conta"), {2880, 1800},
               12'000);
    for (int i = 2; i <= 5; ++i)
        addCapture(QStringLiteral("p%1.png").arg(i), kNow.addDays(-i), QStringLiteral("Relatório %1").arg(i),
                   {800, 600}, 847'000);
    openStores();
    HistoryView &page = showView({1000, 2000});
    EXPECT_EQ(textOf(page, "title"), QStringLiteral("Histórico"));
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("5 prints · 3,4 MB"));
    EXPECT_TRUE(testsupport::namedChild<QLabel>(page, "keyHint")->isVisibleTo(&page));

    type(QStringLiteral("CONFIGURACAO"));
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("1 de 5 encontrado"));
    EXPECT_FALSE(testsupport::namedChild<QLabel>(page, "keyHint")->isVisibleTo(&page));
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(page, "clearButton")->isVisibleTo(&page));
    ASSERT_EQ(gridOf(page)->shownCards().size(), 1);
    EXPECT_EQ(gridOf(page)->shownCards().first()->snippet(), QStringLiteral("Configuração da Conta"));
    type(QStringLiteral("xilogravura"));
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("0 de 5 encontrados"));

    // A period alone is a filter too: the found texts, not the size.
    type(QString());
    choosePeriod(page, HistoryPeriod::today);
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("1 de 5 encontrado"));
    choosePeriod(page, HistoryPeriod::week);
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("5 de 5 encontrados"));

    // Spaces are no search: the hint stays, no snippets, the plain summary.
    choosePeriod(page, HistoryPeriod::all);
    type(QStringLiteral("   "));
    EXPECT_TRUE(testsupport::namedChild<QLabel>(page, "keyHint")->isVisibleTo(&page));
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("5 prints · 3,4 MB"));
    ASSERT_EQ(gridOf(page)->shownCards().size(), 5);
    for (HistoryCard *card : gridOf(page)->shownCards()) EXPECT_EQ(card->snippet(), std::nullopt);

    recents->deleteFiles({pathOf(QStringLiteral("p2.png")), pathOf(QStringLiteral("p3.png")),
                          pathOf(QStringLiteral("p4.png")), pathOf(QStringLiteral("p5.png"))});
    EXPECT_TRUE(testsupport::becomes([&] { return textOf(page, "summary") == QStringLiteral("1 print · 12 KB"); }))
        << textOf(page, "summary").toStdString();
}

TEST_F(HistoryViewTest, DaysAndPeriodsFollowTheClock) {
    const QString lateYesterday = addCapture(QStringLiteral("a.png"), QDateTime(QDate(2026, 3, 13), QTime(23, 59)));
    const QString earlyToday = addCapture(QStringLiteral("b.png"), QDateTime(QDate(2026, 3, 14), QTime(0, 1)));
    const QString weekAfter = addCapture(QStringLiteral("c.png"), QDateTime(QDate(2026, 3, 7), QTime(11, 0)));
    const QString weekBefore = addCapture(QStringLiteral("d.png"), QDateTime(QDate(2026, 3, 7), QTime(9, 0)));
    addCapture(QStringLiteral("e.png"), QDateTime(QDate(2025, 3, 15), QTime(12, 0)));
    openStores();
    HistoryView &page = showView({1000, 2000});
    EXPECT_EQ(headings(),
              (QStringList{QStringLiteral("HOJE"), QStringLiteral("ONTEM"), QStringLiteral("SÁBADO, 7 DE MARÇO"),
                           QStringLiteral("SÁBADO, 15 DE MARÇO DE 2025")}));
    EXPECT_EQ(shownPaths().mid(0, 2), (QStringList{earlyToday, lateYesterday}));

    choosePeriod(page, HistoryPeriod::week);
    EXPECT_TRUE(shownPaths().contains(weekAfter));
    EXPECT_FALSE(shownPaths().contains(weekBefore));
    // Past midnight, today's captures move under "Ontem" while the page stays open.
    clock.at = kNow.addDays(1);
    choosePeriod(page, HistoryPeriod::all);
    EXPECT_EQ(headings().mid(0, 2), (QStringList{QStringLiteral("ONTEM"), QStringLiteral("SEXTA-FEIRA, 13 DE MARÇO")}));
}

TEST_F(HistoryViewTest, KeysSelectionAndFocus) {
    const QString first = addCapture(QStringLiteral("a.png"), kNow.addSecs(-60), QStringLiteral("um"));
    const QString second = addCapture(QStringLiteral("b.png"), kNow.addSecs(-120), QStringLiteral("dois"));
    openStores();
    HistoryView &page = showView();
    activate();
    QLineEdit *field = searchFieldOf(page);

    QTest::keyClick(&page, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("do"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), QString());
    EXPECT_TRUE(field->hasFocus());

    // A click selects and takes the focus from the field; Ctrl+Backspace then deletes at once.
    HistoryCard *card = gridOf(page)->cardOf(second);
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(selectedPathOf(page), second);
    EXPECT_TRUE(card->isSelected());
    EXPECT_FALSE(field->hasFocus());
    // With the field focused the key edits the text and deletes nothing.
    QTest::keyClick(&page, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(second));
    gridOf(page)->setFocus();
    QTest::keyClick(gridOf(page), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_EQ(selectedPathOf(page), QString());
    EXPECT_TRUE(testsupport::becomes([&] { return shownPaths() == QStringList{first}; }));
    // Nothing selected: nothing deleted.
    QTest::keyClick(gridOf(page), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(first));

    // Typing or switching the period clears the selection.
    QTest::mouseClick(gridOf(page)->cardOf(first), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(selectedPathOf(page), first);
    QTest::keyClicks(field, QStringLiteral("u"));
    EXPECT_EQ(selectedPathOf(page), QString());
    type(QString());
    QTest::mouseClick(gridOf(page)->cardOf(first), Qt::LeftButton, {}, QPoint(20, 20));
    periodItemOf(page, HistoryPeriod::today)->click();
    EXPECT_EQ(selectedPathOf(page), QString());
    EXPECT_EQ(periodOf(page), HistoryPeriod::today);
}

TEST_F(HistoryViewTest, ADoubleClickSelectsAndOpensAndAFileGoneIsForgotten) {
    const QString kept = addCapture(QStringLiteral("a.png"), kNow.addSecs(-60), QStringLiteral("um"));
    const QString gone = addCapture(QStringLiteral("b.png"), kNow.addSecs(-120), QStringLiteral("dois"));
    openStores();
    HistoryView &page = showView();
    QSignalSpy opened(&page, &HistoryView::editorRequested);
    HistoryCard *card = gridOf(page)->cardOf(kept);
    ASSERT_NE(card, nullptr);
    QTest::mouseDClick(card, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(selectedPathOf(page), kept);
    // The file is read off the main thread; a quick read may report before the wait begins.
    ASSERT_TRUE(testsupport::received(opened));
    EXPECT_EQ(opened.first().at(0).value<QImage>().size(), capturePicture().size());
    EXPECT_EQ(opened.first().at(1).toString(), kept);

    // Removed behind the application's back: opening it removes it from the page.
    ASSERT_TRUE(QFile::remove(gone));
    QTest::mouseDClick(gridOf(page)->cardOf(gone), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(testsupport::becomes([this] { return history->entries().size() == 1; }));
    EXPECT_TRUE(testsupport::becomes([&] { return shownPaths() == QStringList{kept}; }));
    EXPECT_EQ(opened.count(), 1); // the read that failed told the page instead of opening anything
}

TEST_F(HistoryViewTest, OnlyTheCardsOnScreenAreWidgets) {
    QList<RecentsStore::File> files;
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("c%1.png").arg(i, 4, 10, QLatin1Char('0'));
        files.append({folder + QLatin1Char('/') + name, kNow.addSecs(-3600LL * i)});
        records.insert(name, HistoryRecord::of(i % 2 ? "par ímpar" : "texto comum", 100, 100, 1000));
    }
    listing = files;
    openStores();
    HistoryView &page = showView();
    const int made = gridOf(page)->cardsMade();
    EXPECT_GT(made, 4);
    EXPECT_LT(made, 40);

    QScrollBar *bar = gridOf(page)->verticalScrollBar();
    bar->setValue(bar->maximum());
    EXPECT_TRUE(shownPaths().contains(files.last().path));
    bar->setValue(bar->maximum() / 2);
    bar->setValue(0);
    EXPECT_EQ(shownPaths().first(), files.first().path);
    type(QStringLiteral("IMPAR"));
    EXPECT_EQ(textOf(page, "summary"), QStringLiteral("1500 de 3000 encontrados"));
    EXPECT_EQ(shownPaths().first(), files[1].path);
    bar->setValue(bar->maximum());
    EXPECT_TRUE(shownPaths().contains(files.last().path));
    // Still a screenful of cards, handed from entry to entry.
    EXPECT_LT(gridOf(page)->cardsMade(), 40);
}

// The order in which the cards' pictures are decoded, on one thread.
struct RecordedPictures {
    QMutex mutex;
    QStringList decoded;
    PictureService service{1, [this](const QString &path, QSize box, PictureService::Fit fit) {
                               {
                                   QMutexLocker lock(&mutex);
                                   decoded.append(path);
                               }
                               return PictureService::read(path, box, fit);
                           }};
    QStringList decodedSoFar() {
        QMutexLocker lock(&mutex);
        return decoded;
    }
};

class HistoryViewPicturesTest : public HistoryViewTest {
protected:
    void SetUp() override {
        HistoryViewTest::SetUp();
        pictures = &recorded.service;
    }
    RecordedPictures recorded; // outlives the view and the stores, which the fixture tears down first
};

TEST_F(HistoryViewPicturesTest, TheCardsOnScreenGetTheirPicturesInReadingOrder) {
    for (int i = 0; i < 30; ++i)
        addCapture(QStringLiteral("c%1.png").arg(i), kNow.addSecs(-60LL * i), QStringLiteral("texto"));
    openStores();
    showView({1000, 700});
    // Three rows and a part of a fourth: the top row first, left to right, then the next.
    const QStringList shown = shownPaths();
    ASSERT_GE(shown.size(), 9);
    ASSERT_TRUE(testsupport::becomes([&] { return recorded.decodedSoFar().size() >= shown.size(); }));
    EXPECT_EQ(recorded.decodedSoFar().mid(0, shown.size()), shown);
    EXPECT_TRUE(testsupport::becomes([&] {
        const QList<HistoryCard *> cards = gridOf(*view)->shownCards();
        return std::all_of(cards.cbegin(), cards.cend(),
                           [](const HistoryCard *card) { return card->picture() == HistoryCard::Picture::shown; });
    }));
}

TEST_F(HistoryViewPicturesTest, ABurstOfCapturesOntoTheOpenPageKeepsAFewScreensOfPictures) {
    addCapture(QStringLiteral("c0.png"), kNow.addSecs(-3600), QStringLiteral("texto"));
    openStores();
    showView({1000, 700});
    for (int i = 1; i <= 150; ++i) {
        const QString path = addCapture(QStringLiteral("c%1.png").arg(i), kNow.addSecs(i - 3600));
        history->didAdd(path, kNow.addSecs(i - 3600));
        ASSERT_TRUE(testsupport::becomes([&] {
            const HistoryCard *card = gridOf(*view)->cardOf(path);
            return card && card->picture() == HistoryCard::Picture::shown;
        })) << "capture " << i;
    }
    // Every capture came on screen and had its picture; those pushed off it are not all kept.
    EXPECT_EQ(recorded.decodedSoFar().size(), 151);
    EXPECT_LE(recorded.service.keptCount() * PictureService::pictureKiB, 24 * 1024);
}

TEST_F(HistoryViewTest, EveryVisitStartsOver) {
    const QString first = addCapture(QStringLiteral("a.png"), kNow.addSecs(-60), QStringLiteral("um"));
    openStores();
    HistoryView &page = showView();
    type(QStringLiteral("um"));
    QTest::mouseClick(gridOf(page)->cardOf(first), Qt::LeftButton, {}, QPoint(20, 20));
    periodItemOf(page, HistoryPeriod::month)->click();
    // A file written behind the index's back is listed by the next visit.
    const QString later = addCapture(QStringLiteral("b.png"), kNow.addSecs(-30), QStringLiteral("dois"));
    page.reload();
    EXPECT_EQ(searchFieldOf(page)->text(), QString());
    EXPECT_EQ(periodOf(page), HistoryPeriod::all);
    EXPECT_TRUE(periodItemOf(page, HistoryPeriod::all)->isChecked());
    EXPECT_EQ(selectedPathOf(page), QString());
    EXPECT_EQ(shownPaths(), (QStringList{later, first}));
}
