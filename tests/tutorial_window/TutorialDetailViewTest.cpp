#include "brand/BrandStore.h"
#include "capture/CaptureService.h"
#include "capture/FakeCaptureBackend.h"
#include "core/ShortcutStore.h"
#include "core/StyleStore.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/LaidOutApart.h"
#include "support/ScriptedAlerts.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/PlainFields.h"
#include "tutorial_window/StepPictureView.h"
#include "tutorial_window/TutorialDetailHeader.h"
#include "tutorial_window/TutorialDetailView.h"
#include "tutorial_window/TutorialStepCard.h"
#include "tutorial_window/TutorialStepsList.h"
#include "tutorials/TutorialStore.h"
#include "widgets/ToolbarButton.h"

#include <QAbstractButton>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

struct TutorialDetailViewTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    StyleStore styles{defaults};
    BrandStore brand{defaults, styles, temp.file(QStringLiteral("Marca"))};
    ShortcutStore shortcuts{defaults};
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
    PictureLoader loader;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<TutorialDetailView> view;

    void SetUp() override {
        alerts.answer = 1; // "Cancelar"
        store.newTutorial();
        view = std::make_unique<TutorialDetailView>(store, brand, shortcuts, loader);
        view->resize(1240, 800);
        view->show();
    }
    // The card of a step, when it has been built.
    static TutorialStepCard *cardOf(const TutorialStepsList &list, const QUuid &step) {
        const QString name = QStringLiteral("step:") + step.toString(QUuid::WithoutBraces);
        for (QWidget *place : list.findChildren<QWidget *>(name))
            if (!place->isHidden()) return place->findChild<TutorialStepCard *>();
        return nullptr;
    }
    TutorialDetailHeader &header() const { return *testsupport::namedChild<TutorialDetailHeader>(*view, "header"); }
    QAbstractButton *themeButton(TutorialTheme theme) const {
        return testsupport::namedChild<QAbstractButton>(header(), ("theme:" + rawValue(theme).toUtf8()).constData());
    }
    // The guide themes offered now, in order.
    QList<TutorialTheme> themeOptions() const {
        QList<TutorialTheme> offered;
        for (TutorialTheme theme : allTutorialThemes)
            if (!themeButton(theme)->isHidden()) offered.append(theme);
        return offered;
    }
    QString summary() const { return testsupport::namedChild<QLabel>(header(), "summary")->text(); }
    bool showsEmptyState() const {
        return testsupport::namedChild<QStackedWidget>(*view, "body")->currentWidget()->objectName() ==
               QStringLiteral("emptyState");
    }
    bool showsRecordingRow() const { return !testsupport::namedChild<QWidget>(*view, "recordingRow")->isHidden(); }
    void addStep() { store.addStep(testsupport::filledImage(64, 40, Qt::darkGreen)); }
    // The page as the next launch shows it: the library read again from disk, its one tutorial open.
    std::unique_ptr<TutorialStore> relaunched;
    std::unique_ptr<TutorialDetailView> relaunch() {
        relaunched = std::make_unique<TutorialStore>(store.root());
        if (relaunched->library().size() != 1) return nullptr;
        relaunched->open(relaunched->library().first().id);
        auto again = std::make_unique<TutorialDetailView>(*relaunched, brand, shortcuts, loader);
        again->resize(1240, 800);
        again->show();
        return again;
    }
};

} // namespace

TEST_F(TutorialDetailViewTest, SummaryAndRecordButtonFollowTheStepsAndTheRecording) {
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(summary(), QStringLiteral("Nenhum passo ainda"));
    EXPECT_EQ(testsupport::namedChild<ToolbarButton>(header(), "recordButton")->text(),
              QStringLiteral("Começar a gravar"));
    for (QWidget *withSteps :
         {static_cast<QWidget *>(testsupport::namedChild<QAbstractButton>(header(), "exportButton")),
          static_cast<QWidget *>(testsupport::namedChild<QAbstractButton>(header(), "copyButton"))})
        EXPECT_FALSE(withSteps->isVisible());
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(header(), "deleteButton")->isVisible());

    testsupport::namedChild<ToolbarButton>(header(), "recordButton")->click();
    EXPECT_TRUE(store.isRecording());
    EXPECT_EQ(summary(), QStringLiteral("Gravando · 0 passos"));
    EXPECT_EQ(testsupport::namedChild<ToolbarButton>(header(), "recordButton")->text(),
              QStringLiteral("Parar gravação"));
    EXPECT_TRUE(showsEmptyState());
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(header(), "backButton")->isEnabled());
    EXPECT_EQ(testsupport::namedChild<QAbstractButton>(header(), "backButton")->toolTip(),
              QStringLiteral("Conclua a gravação primeiro"));

    addStep();
    EXPECT_FALSE(showsEmptyState());
    EXPECT_EQ(summary(), QStringLiteral("Gravando · 1 passo"));
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(header(), "copyButton")->isVisible());
    EXPECT_TRUE(showsRecordingRow());
    addStep();
    EXPECT_EQ(summary(), QStringLiteral("Gravando · 2 passos"));

    store.toggleRecording();
    EXPECT_EQ(summary(), QStringLiteral("2 passos"));
    EXPECT_EQ(testsupport::namedChild<ToolbarButton>(header(), "recordButton")->text(),
              QStringLiteral("Gravar mais passos"));
    EXPECT_FALSE(showsRecordingRow());
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(header(), "backButton")->isEnabled());
    EXPECT_EQ(testsupport::namedChild<QAbstractButton>(header(), "backButton")->toolTip(),
              QStringLiteral("Voltar para todos os tutoriais"));
    store.remove(store.tutorial().steps.first());
    EXPECT_EQ(summary(), QStringLiteral("1 passo"));

    testsupport::namedChild<QAbstractButton>(header(), "backButton")->click();
    EXPECT_FALSE(store.currentID());
}

// Recording into a tutorial with no steps yet: "Começar a gravar" would do nothing, so the empty state
// offers the recording's own actions, which capture the next step and finish.
TEST_F(TutorialDetailViewTest, RecordingWithNoStepsOffersTheStepAndFinishInsteadOfStart) {
    // The buttons shown below the header.
    const auto shown = [this] {
        QList<QAbstractButton *> buttons;
        for (QAbstractButton *button : view->findChildren<QAbstractButton *>())
            if (button->isVisible() && !header().isAncestorOf(button)) buttons << button;
        return buttons;
    };
    const auto shownButtons = [&] {
        QStringList texts;
        for (QAbstractButton *button : shown()) texts << button->text();
        return texts;
    };
    EXPECT_EQ(shownButtons(), QStringList{QStringLiteral("Começar a gravar")});
    testsupport::namedChild<ToolbarButton>(header(), "recordButton")->click();
    ASSERT_TRUE(showsEmptyState());
    EXPECT_EQ(shownButtons(), (QStringList{QStringLiteral("Capturar passo"), QStringLiteral("Concluir")}));

    FakeCaptureBackend backend;
    CaptureBackend::setSharedForTesting(&backend);
    CaptureService::resetForTesting();
    QAbstractButton *step = shown().value(0), *finish = shown().value(1);
    QTest::mouseClick(step, Qt::LeftButton);
    EXPECT_TRUE(testsupport::becomes([&] { return backend.overlayMode.has_value(); }));
    EXPECT_EQ(backend.overlayMode, CaptureBackend::OverlayMode::area);
    backend.pick(std::nullopt);
    CaptureBackend::setSharedForTesting(nullptr);

    QTest::mouseClick(finish, Qt::LeftButton);
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(shownButtons(), QStringList{QStringLiteral("Começar a gravar")});
}

TEST_F(TutorialDetailViewTest, TitleThemesAndExportMenu) {
    addStep();
    QTest::keyClicks(testsupport::namedChild<EllipsisLineEdit>(header(), "titleField"), QStringLiteral(" Fechar"));
    EXPECT_EQ(store.tutorial().title, QStringLiteral("Novo tutorial Fechar"));

    // The brand theme is offered once the brand is set up, or when the tutorial already uses it.
    EXPECT_EQ(themeOptions(), (QList<TutorialTheme>{TutorialTheme::light, TutorialTheme::dark}));
    themeButton(TutorialTheme::dark)->click();
    EXPECT_EQ(store.tutorial().theme, TutorialTheme::dark);
    Tutorial branded = store.tutorial();
    branded.theme = TutorialTheme::brand;
    store.setTutorial(branded);
    EXPECT_EQ(themeOptions().size(), 3);
    themeButton(TutorialTheme::light)->click();
    EXPECT_EQ(themeOptions().size(), 2);
    brand.markConfigured();
    EXPECT_EQ(themeOptions().size(), 3);

    QStringList items;
    for (const QAction *action : testsupport::namedChild<QMenu>(header(), "exportMenu")->actions())
        items.append(action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(items, (QStringList{QStringLiteral("Imagem única (PNG)…"), QStringLiteral("PDF, um passo por página…"),
                                  QStringLiteral("Markdown + imagens (Notion, GitHub, docs)…"), QStringLiteral("—"),
                                  QStringLiteral("Copiar como imagem")}));
}

// The page beside the expanded sidebar (210 and its hairline) in the window at its default and smallest
// sizes: the title starts at its first letter, cut at the end where it must be, and every button shows
// its whole text, in one row or two.
TEST_F(TutorialDetailViewTest, TheHeaderShowsTheTitleFromItsStartAndEveryButtonWhole) {
    Tutorial named = store.tutorial();
    named.theme = TutorialTheme::brand;
    store.setTutorial(named);
    for (const QString &language : {QStringLiteral("pt-BR"), QStringLiteral("en")}) {
        platform::StringTables::setCurrentLanguage(language);
        named = store.tutorial();
        named.title = language == QStringLiteral("en")
                          ? QStringLiteral("How to open a support ticket in the Caravela System")
                          : QStringLiteral("Como abrir chamados no Sistema Caravela");
        store.setTutorial(named);
        for (const QSize window : {QSize(1240, 800), QSize(1000, 660)}) {
            view = std::make_unique<TutorialDetailView>(store, brand, shortcuts, loader);
            view->resize(window - QSize(211, 0));
            view->show();
            for (const char *state : {"no steps", "recording", "steps"}) {
                if (state == std::string("recording")) {
                    store.toggleRecording();
                    addStep();
                } else if (state == std::string("steps")) {
                    store.toggleRecording();
                }
                QCoreApplication::processEvents();
                const std::string where = language.toStdString() + " " + std::to_string(window.width()) + " " + state;
                testsupport::expectLaidOutApart(&header(), where);
                for (QAbstractButton *button : header().findChildren<QAbstractButton *>()) {
                    if (!button->isVisible()) continue;
                    EXPECT_GE(button->width(), button->sizeHint().width())
                        << where << " " << button->text().toStdString();
                }
                EllipsisLineEdit *title = testsupport::namedChild<EllipsisLineEdit>(header(), "titleField");
                const bool fits = title->fontMetrics().horizontalAdvance(named.title) <= title->width() - 4;
                EXPECT_EQ(title->isElided(), !fits) << where;
                EXPECT_EQ(title->toolTip(), fits ? QString() : named.title) << where;
                EXPECT_GE(title->width(), 160) << where;
            }
            // Two rows only where one leaves the title too little room.
            EXPECT_EQ(header().height() > TutorialDetailHeader::oneRowHeight, window.width() == 1000)
                << language.toStdString();
            store.remove(store.tutorial().steps.first());
        }
    }
    // Edited, the field scrolls as it must; left, it shows the title from its start again.
    named.title = named.title.repeated(3);
    store.setTutorial(named);
    EllipsisLineEdit *title = testsupport::namedChild<EllipsisLineEdit>(header(), "titleField");
    EXPECT_TRUE(title->isElided());
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get(), testsupport::patienceMs));
    QTest::mouseClick(title, Qt::LeftButton, {}, QPoint(10, title->height() / 2));
    EXPECT_EQ(title->cursorPosition(), 1); // where the click landed on the letters shown
    title->end(false);
    EXPECT_FALSE(title->isElided());
    title->clearFocus();
    EXPECT_TRUE(title->isElided());
    EXPECT_EQ(title->cursorPosition(), 0);
    platform::StringTables::setCurrentLanguage({});
}

TEST_F(TutorialDetailViewTest, DeletingAsksFirstAndWarnsToExport) {
    Tutorial untitled = store.tutorial();
    untitled.title.clear();
    store.setTutorial(untitled);
    testsupport::namedChild<QAbstractButton>(header(), "deleteButton")->click();
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Excluir “”?"));
    EXPECT_TRUE(alerts.shown[0].informativeText.endsWith(QStringLiteral("Exporte antes se quiser guardar.")));
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{QStringLiteral("Excluir"), QStringLiteral("Cancelar")}));
    EXPECT_TRUE(store.currentID());
    alerts.answer = testsupport::ScriptedAlerts::pressReturn; // a stray Return deletes nothing
    header().confirmDelete();
    EXPECT_TRUE(store.currentID());
    alerts.answer = 0;
    header().confirmDelete();
    EXPECT_FALSE(store.currentID());
    EXPECT_TRUE(store.library().isEmpty());
}

TEST_F(TutorialDetailViewTest, HowToRowsCarryTheUsersShortcut) {
    EXPECT_EQ(testsupport::namedChild<QLabel>(*view, "howTo1")->text(),
              QStringLiteral("Clique em **Começar a gravar** (ou Alt+Shift+T)."));
    Shortcut changed = shortcuts.shortcut(ShortcutAction::toggleTutorial);
    changed.key = QStringLiteral("G");
    changed.keyCode = 5;
    shortcuts.setShortcut(ShortcutAction::toggleTutorial, changed);
    EXPECT_TRUE(testsupport::namedChild<QLabel>(*view, "howTo1")->text().contains(QStringLiteral("(ou Alt+Shift+G)")));
    EXPECT_EQ(testsupport::namedChild<ToolbarButton>(header(), "recordButton")->shortcutText(),
              QStringLiteral("Alt+Shift+G"));
    // A key cap that is Markdown's own sign shows as the sign.
    changed.key = QStringLiteral("\\");
    changed.keyCode = 42;
    shortcuts.setShortcut(ShortcutAction::toggleTutorial, changed);
    auto *howTo = testsupport::namedChild<QLabel>(*view, "howTo1");
    QTextDocument shown;
    shown.setMarkdown(howTo->text());
    EXPECT_TRUE(shown.toPlainText().contains(QStringLiteral("(ou Alt+Shift+\\)"))) << shown.toPlainText().toStdString();
}

TEST_F(TutorialDetailViewTest, CardsAreBuiltAsTheyComeIntoViewAndKeptWhileTheListChanges) {
    for (int i = 0; i < 40; ++i) addStep();
    TutorialStepsList *list = testsupport::namedChild<TutorialStepsList>(*view, "steps");
    const qsizetype built = list->findChildren<TutorialStepCard *>().size();
    EXPECT_GT(built, 0);
    EXPECT_LT(built, 20);

    const QUuid second = store.tutorial().steps[1].id;
    TutorialStepCard *card = cardOf(*list, second);
    ASSERT_NE(card, nullptr);
    store.remove(store.tutorial().steps[0]);
    EXPECT_EQ(cardOf(*list, second), card);
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(*card, "upButton")->isEnabled());

    QCoreApplication::processEvents(); // the scroll area takes in the list's height
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    EXPECT_NE(cardOf(*list, store.tutorial().steps.constLast().id), nullptr);
}

TEST_F(TutorialDetailViewTest, AStepWhosePictureIsGoneShowsItsTextsBesideAPlaceholder) {
    addStep();
    addStep();
    TutorialStep gone = store.tutorial().steps[1];
    gone.title = QStringLiteral("Clique em Salvar");
    store.update(gone);
    ASSERT_TRUE(QFile::remove(store.folder(store.tutorial().id) + QLatin1Char('/') + gone.imageFile));

    const auto again = relaunch();
    ASSERT_TRUE(again);
    TutorialStepsList *steps = testsupport::namedChild<TutorialStepsList>(*again, "steps");
    TutorialStepCard *card = cardOf(*steps, gone.id);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(testsupport::namedChild<StepPictureView>(*card, "picture")->isPlaceholder());
    EXPECT_EQ(testsupport::namedChild<QLineEdit>(*card, "titleField")->text(), gone.title);
    EXPECT_FALSE(testsupport::namedChild<StepPictureView>(*cardOf(*steps, store.tutorial().steps[0].id), "picture")
                     ->isPlaceholder());
}

TEST_F(TutorialDetailViewTest, StepsOfTheFileThatCannotBeReadAreNamedAboveTheCards) {
    addStep();
    EXPECT_FALSE(testsupport::namedChild<QLabel>(*view, "unreadableSteps")->isVisible());
    // Edited by hand: a step whose picture is a path, another whose title is a number.
    QFile file(store.folder(store.tutorial().id) + QStringLiteral("/tutorial.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    QJsonArray steps = document.value(QStringLiteral("steps")).toArray();
    const QString picture = steps[0].toObject().value(QStringLiteral("imageFile")).toString();
    steps.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("5A1F0000-0000-4000-8000-000000000002")},
                             {QStringLiteral("title"), QStringLiteral("Sair")},
                             {QStringLiteral("detail"), QString()},
                             {QStringLiteral("imageFile"), QStringLiteral("/etc/passwd")}});
    steps.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("5A1F0000-0000-4000-8000-000000000003")},
                             {QStringLiteral("title"), 3},
                             {QStringLiteral("detail"), QString()},
                             {QStringLiteral("imageFile"), picture}});
    document.insert(QStringLiteral("steps"), steps);
    ASSERT_TRUE(file.resize(0));
    file.write(QJsonDocument(document).toJson());
    file.close();

    const auto again = relaunch();
    ASSERT_TRUE(again);
    const QLabel *note = testsupport::namedChild<QLabel>(*again, "unreadableSteps");
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(),
              QStringLiteral("Os passos 2 (“Sair”), 3 do arquivo não puderam ser lidos e ficaram de fora; "
                             "eles continuam guardados no arquivo."));
    EXPECT_NE(cardOf(*testsupport::namedChild<TutorialStepsList>(*again, "steps"), relaunched->tutorial().steps[0].id),
              nullptr);
}
