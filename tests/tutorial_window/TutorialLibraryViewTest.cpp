#include "core/ShortcutStore.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/TutorialLibraryGrid.h"
#include "tutorial_window/TutorialLibraryView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/ToolbarButton.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

#include <gtest/gtest.h>

namespace {

// Which of the empty state, the no-results line and the grid the page shows.
QString shown(const TutorialLibraryView &view) {
    return testsupport::namedChild<QStackedWidget>(view, "content")->currentWidget()->objectName();
}

QString text(const TutorialLibraryView &view, const char *label) {
    return testsupport::namedChild<QLabel>(view, label)->text();
}

Tutorial tutorial(const QString &title, const QStringList &details = {}) {
    Tutorial t;
    t.title = title;
    for (const QString &detail : details) {
        TutorialStep step;
        step.detail = detail;
        step.imageFile = QStringLiteral("passo-00000000.png");
        t.steps.append(step);
    }
    return t;
}

QStringList titles(const QList<Tutorial> &tutorials) {
    QStringList found;
    for (const Tutorial &t : tutorials) found.append(t.title);
    return found;
}

struct TutorialLibraryViewTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    ShortcutStore shortcuts{defaults};
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
    PictureLoader loader;
    TutorialLibraryView view{store, shortcuts, loader};

    // A tutorial of the store under that title.
    void add(const QString &title) {
        const QUuid id = store.newTutorial();
        store.rename(id, title);
        Tutorial t = store.tutorial();
        TutorialStep step;
        step.detail = QStringLiteral("Abra o Café da manhã");
        step.imageFile = QStringLiteral("passo-00000000.png");
        t.steps.append(step);
        store.setTutorial(t);
        store.closeTutorial();
    }
};

} // namespace

TEST(TutorialLibrarySearchTest, MatchesTitlesAndStepsIgnoringCaseButNotAccents) {
    const QList<Tutorial> library{tutorial(QStringLiteral("Café com leite")), tutorial(QStringLiteral("Chá")),
                                  tutorial(QStringLiteral("Relatório"), {QString(), QStringLiteral("Pague o CAFÉ")})};
    EXPECT_TRUE(TutorialLibraryView::results(library, QStringLiteral("cafe")).isEmpty());
    EXPECT_EQ(titles(TutorialLibraryView::results(library, QStringLiteral("CAFÉ"))),
              (QStringList{QStringLiteral("Café com leite"), QStringLiteral("Relatório")}));
    EXPECT_EQ(titles(TutorialLibraryView::results(library, QStringLiteral(" \tchá  "))),
              QStringList{QStringLiteral("Chá")});
    EXPECT_EQ(TutorialLibraryView::results(library, QStringLiteral("   ")).size(), 3);
    EXPECT_TRUE(
        TutorialLibraryView::results(library, QStringLiteral("chá\n")).isEmpty()); // line breaks are not trimmed
}

TEST_F(TutorialLibraryViewTest, EmptyLibraryNoResultsAndTheWholeCount) {
    view.setQuery(QStringLiteral("qualquer"));
    EXPECT_EQ(shown(view), QStringLiteral("emptyState"));
    EXPECT_EQ(text(view, "count"), QStringLiteral("0 tutoriais"));

    add(QStringLiteral("Fechar o mês"));
    EXPECT_EQ(text(view, "count"), QStringLiteral("1 tutorial"));
    view.setQuery(QStringLiteral("  x "));
    EXPECT_EQ(shown(view), QStringLiteral("noResults"));
    EXPECT_EQ(text(view, "noResults"), QStringLiteral("Nenhum tutorial com “  x ”."));
    add(QStringLiteral("Abrir chamado"));
    view.setQuery(QStringLiteral("chamado"));
    EXPECT_EQ(shown(view), QStringLiteral("results"));
    auto *grid = testsupport::namedChild<TutorialLibraryGrid>(view, "grid");
    EXPECT_EQ(titles(grid->tutorials()), QStringList{QStringLiteral("Abrir chamado")});
    EXPECT_EQ(text(view, "count"), QStringLiteral("2 tutoriais"));
    view.setQuery(QStringLiteral("café"));
    EXPECT_EQ(grid->tutorials().size(), 2);
}

TEST_F(TutorialLibraryViewTest, NewAndRecordOpenATutorial) {
    testsupport::namedChild<QAbstractButton>(view, "newButton")->click();
    ASSERT_TRUE(store.currentID());
    EXPECT_FALSE(store.isRecording());
    store.closeTutorial();
    auto *record = testsupport::namedChild<ToolbarButton>(view, "recordButton");
    record->click();
    EXPECT_TRUE(store.currentID());
    EXPECT_TRUE(store.isRecording());
    EXPECT_EQ(record->shortcutText(), QStringLiteral("Alt+Shift+T"));
    store.toggleRecording();
}
