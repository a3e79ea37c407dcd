#include "app/AppShellView.h"
#include "app/AppSidebar.h"
#include "app/OnboardingView.h"
#include "app/PrefRow.h"
#include "app/PreferencesView.h"
#include "brand_window/BrandView.h"
#include "core/Settings.h"
#include "editor_window/EditorView.h"
#include "editor_window/PreviewStage.h"
#include "history/HistoryView.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "support/Wheel.h"
#include "tutorial_window/TutorialView.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

TEST(AppShellViewTest, TheEditorPageIsBuiltAfreshForEveryCapture) {
    AppRouter router;
    AppShellView shell(router);
    EXPECT_EQ(shell.currentPage(), shell.pageWidget(AppRouter::Page::home));
    // The editor page without a capture: the placeholder.
    router.setPage(AppRouter::Page::editor);
    EXPECT_EQ(shell.editorView(), nullptr);
    EXPECT_EQ(shell.currentPage()->objectName(), QStringLiteral("emptyEditor"));

    router.openEditor(testsupport::filledImage(30, 20, Qt::red), QString(), std::nullopt);
    QPointer<EditorView> first = shell.editorView();
    ASSERT_TRUE(first);
    EXPECT_EQ(shell.currentPage(), first.data());
    EXPECT_EQ(first->model(), router.editor());
    router.openEditor(testsupport::filledImage(30, 20, Qt::blue), QString(), std::nullopt);
    ASSERT_NE(shell.editorView(), nullptr);
    EXPECT_NE(shell.editorView(), first.data());
    EXPECT_EQ(shell.currentPage(), shell.editorView());
    EXPECT_TRUE(testsupport::becomes([&] { return !first; })); // the previous view is gone

    router.closeEditor();
    EXPECT_EQ(router.page(), AppRouter::Page::home);
    EXPECT_EQ(shell.currentPage(), shell.pageWidget(AppRouter::Page::home));
}

// A resident that mostly captures never shows most pages: each is built at its first visit, once.
TEST(AppShellViewTest, APageIsBuiltAtItsFirstVisitAndKept) {
    AppRouter router;
    AppShellView shell(router);
    EXPECT_EQ(shell.findChildren<TutorialView *>().size(), 0);
    EXPECT_EQ(shell.findChildren<BrandView *>().size(), 0);
    EXPECT_EQ(shell.findChildren<PreferencesView *>().size(), 0);
    router.setPage(AppRouter::Page::tutorial);
    auto *tutorials = qobject_cast<TutorialView *>(shell.currentPage());
    ASSERT_NE(tutorials, nullptr);
    router.setPage(AppRouter::Page::brand);
    EXPECT_NE(qobject_cast<BrandView *>(shell.currentPage()), nullptr);
    router.setPage(AppRouter::Page::tutorial);
    EXPECT_EQ(shell.currentPage(), tutorials);
    EXPECT_EQ(shell.findChildren<TutorialView *>().size(), 1);
}

TEST(AppShellViewTest, TheOnboardingFillsTheWindowUntilCompletedAndReturnsWhenAskedFor) {
    // Fresh settings: the onboarding alone.
    AppRouter router;
    AppShellView shell(router);
    shell.resize(1240, 800);
    shell.show();
    ASSERT_NE(shell.onboarding(), nullptr);
    EXPECT_TRUE(shell.onboarding()->isVisible());
    EXPECT_FALSE(testsupport::namedChild<AppSidebar>(shell, "sidebar")->isVisible());
    // Two steps: X11 asks no permission to read the screen.
    EXPECT_EQ(shell.onboarding()->stepCount(), 2);
    for (int i = 0; i < 2; ++i) QTest::keyClick(shell.onboarding(), Qt::Key_Return);
    // Completed: the shell at once, on the router's page.
    EXPECT_TRUE(Settings::hasCompletedOnboarding.value());
    EXPECT_EQ(shell.onboarding(), nullptr);
    EXPECT_TRUE(testsupport::namedChild<AppSidebar>(shell, "sidebar")->isVisible());
    EXPECT_EQ(shell.currentPage(), shell.pageWidget(AppRouter::Page::home));

    // "Rever" on the settings page: a new flow from its first step.
    router.setPage(AppRouter::Page::settings);
    auto *preferences = static_cast<PreferencesView *>(shell.pageWidget(AppRouter::Page::settings));
    testsupport::namedChild<QAbstractButton>(*preferences->row(QStringLiteral("Boas-vindas")), "control")->click();
    ASSERT_NE(shell.onboarding(), nullptr);
    EXPECT_EQ(shell.onboarding()->step(), 0);
    EXPECT_FALSE(testsupport::namedChild<AppSidebar>(shell, "sidebar")->isVisible());
}

TEST(AppShellViewTest, TheHistoryPageIsMadeAtItsFirstVisitAndStartsOverAtEach) {
    AppRouter router;
    AppShellView shell(router);
    EXPECT_EQ(shell.pageWidget(AppRouter::Page::history), nullptr);
    router.setPage(AppRouter::Page::history);
    auto *page = qobject_cast<HistoryView *>(shell.pageWidget(AppRouter::Page::history));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(shell.currentPage(), page);
    auto *field = testsupport::namedChild<QLineEdit>(*page, "searchField");
    field->setText(QStringLiteral("conta"));
    router.setPage(AppRouter::Page::home);
    router.setPage(AppRouter::Page::history);
    EXPECT_EQ(shell.pageWidget(AppRouter::Page::history), page);
    EXPECT_EQ(field->text(), QString());

    // Keeping off: "Abrir Ajustes" goes to the settings page.
    Settings::historyKeep.set(0);
    page->reload();
    auto *action = testsupport::namedChild<QAbstractButton>(*page, "emptyAction");
    ASSERT_FALSE(action->isHidden());
    action->click();
    EXPECT_EQ(router.page(), AppRouter::Page::settings);
    Settings::historyKeep.reset();
}

// On every page, a picker, slider or spin box the user has not clicked or tabbed into leaves the wheel to
// the page: a wheel alone over it changes nothing.
TEST(AppShellViewTest, NoValueControlOfAnyPageChangesByTheWheelAlone) {
    Settings::hasCompletedOnboarding.set(true);
    AppRouter router;
    AppShellView shell(router);
    shell.resize(1240, 800);
    shell.show(); // pages fill some of their choices as they come on screen
    router.openEditor(testsupport::filledImage(300, 200, Qt::red), QString(), std::nullopt);
    int swept = 0;
    using Page = AppRouter::Page;
    for (Page page : {Page::home, Page::editor, Page::history, Page::tutorial, Page::brand, Page::settings}) {
        router.setPage(page);
        // A change may make part of a page anew: what went is passed over.
        const QList<QWidget *> children = shell.currentPage()->findChildren<QWidget *>();
        for (const QPointer<QWidget> &control : QList<QPointer<QWidget>>(children.begin(), children.end())) {
            if (!control) continue;
            auto *combo = qobject_cast<QComboBox *>(control.data());
            auto *slider = qobject_cast<QAbstractSlider *>(control.data());
            auto *spin = qobject_cast<QAbstractSpinBox *>(control.data());
            if (qobject_cast<QScrollBar *>(control.data()) || (!combo && !slider && !spin)) continue;
            SCOPED_TRACE(testing::Message() << int(page) << " " << control->metaObject()->className() << " "
                                            << control->accessibleName().toStdString());
            ++swept;
            const auto value = [&] {
                return combo    ? QVariant(combo->currentIndex())
                       : slider ? QVariant(slider->value())
                                : QVariant(spin->text());
            };
            const QVariant before = value();
            for (int notches : {1, -1, -1, 1}) {
                testsupport::wheelOn(control, notches);
                if (!control) break;
                EXPECT_EQ(value(), before);
            }
        }
    }
    // The settings' four pickers, the brand font and the editor's sliders at least.
    EXPECT_GE(swept, 7);
    router.closeEditor();
    Settings::hasCompletedOnboarding.reset();
}

// The pages with a header show their titles at one place, so that going from page to page the title
// does not jump.
TEST(AppShellViewTest, PageTitlesStandAtOnePlace) {
    Settings::hasCompletedOnboarding.set(true);
    AppRouter router;
    AppShellView shell(router);
    shell.resize(1240, 800);
    shell.show();
    QList<QPoint> places;
    for (const auto &[page, title] :
         {std::pair{AppRouter::Page::history, "Histórico"}, std::pair{AppRouter::Page::tutorial, "Tutoriais"},
          std::pair{AppRouter::Page::brand, "Marca"}}) {
        router.setPage(page);
        QWidget *shown = shell.currentPage();
        QCoreApplication::processEvents();
        const QLabel *label = nullptr;
        for (const QLabel *candidate : shown->findChildren<QLabel *>())
            if (candidate->isVisible() && candidate->text() == QString::fromUtf8(title)) label = candidate;
        ASSERT_NE(label, nullptr) << title;
        // Where its text's line starts: the label centres it down.
        const QPoint at = label->mapTo(shown, QPoint(0, (label->height() - QFontMetrics(label->font()).height()) / 2));
        places << at;
    }
    EXPECT_EQ(places[1], places[0]);
    EXPECT_EQ(places[2], places[0]);
    Settings::hasCompletedOnboarding.set(false);
}
