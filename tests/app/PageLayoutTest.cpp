#include "LayoutCheck.h"

#include "app/AppRouter.h"
#include "app/AppShellView.h"
#include "app/Greeting.h"
#include "app/MainWindowFrame.h"
#include "app/MenuBarView.h"
#include "app/OnboardingView.h"
#include "capture/QuickCaptureView.h"
#include "capture/QuickPanelController.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "editor/EditorModel.h"
#include "history/HistoryView.h"
#include "history/RecentsStore.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorial_window/TutorialHUDView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Theme.h"
#include "widgets/Toast.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// The main window as the application makes it: the page background behind the shell.
class Window final : public QWidget {
public:
    explicit Window(AppRouter &router) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Theme::bg());
        setPalette(palette);
        setAutoFillBackground(true);
        setMinimumSize(MainWindowFrame::minimumSize);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        shell = new AppShellView(router, this);
        layout->addWidget(shell);
    }
    AppShellView *shell = nullptr;
};

QImage capture(int i) {
    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(i * 12 % 360, 120, 200));
    QPainter p(&image);
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Relatório trimestral %1").arg(i));
    return image;
}

struct PageLayoutTest : testing::Test {
    QStringList failures;
    QString language;
    QString size;

    void settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        // A text changed by the last of those (the reading status of the history, say) is laid out before
        // the picture; nothing else runs until it is taken. Each pass lays out one level of nested layouts.
        for (int i = 0; i < 16; ++i) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    // Pictures `window` as `page` and notes what is drawn wrong on it.
    void look(QWidget &window, const QString &page) {
        settle();
        const QString name = QStringLiteral("%1-%2-%3").arg(page, language, size);
        EXPECT_TRUE(
            saveWindowPicture(window, testsupport::outputPath(QStringLiteral("layout-pictures/") + name + ".png")));
        QStringList faults = layoutFaults(window);
        // A status that changed while the picture was taken (the history's reading count) is laid out on
        // the next turn, before anyone sees it: only what is still wrong then is a fault.
        if (!faults.isEmpty()) {
            settle();
            faults = layoutFaults(window);
        }
        for (const QString &fault : faults) {
            const QString line = name + QStringLiteral(": ") + fault;
            failures << line;
        }
    }
    // Each visible window other than `main` (popovers, panels) as `page`.
    void lookAtPopups(QWidget &main, const QString &page) {
        settle();
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != &main && top->isVisible()) look(*top, page);
    }
};

} // namespace

TEST_F(PageLayoutTest, EveryPageIsDrawnWholeInBothLanguagesAtTheDefaultAndSmallestWindowAndOnLaptopScreens) {
    Settings::historyCompact.set(false);
    Settings::customName.set(QStringLiteral("Maria Aparecida Vasconcelos de Albuquerque"));
    // A library with a long title, its duplicate and one with steps.
    TutorialStore &tutorials = TutorialStore::shared();
    const QUuid plain = tutorials.newTutorial();
    tutorials.rename(plain, QStringLiteral("Como emitir notas fiscais no Sistema Caravela"));
    const QUuid copied = *tutorials.duplicate(plain);
    const QUuid withSteps = tutorials.newTutorial();
    tutorials.rename(withSteps, QStringLiteral("Configurar a conta de e-mail corporativa no computador novo"));
    tutorials.open(withSteps);
    for (int i = 0; i < 4; ++i) tutorials.addStep(capture(i));
    tutorials.closeTutorial();
    Q_UNUSED(copied);

    for (const QString &lang : {QStringLiteral("pt-BR"), QStringLiteral("en")}) {
        platform::StringTables::setCurrentLanguage(lang);
        language = lang.left(2);
        // The default and the smallest window, and the window as it first opens on a 1366 × 768 and a
        // 1280 × 720 screen whose panel keeps a 24 high strip, the window manager's frame still guessed.
        const QList<std::pair<QString, QSize>> windows = {
            {QStringLiteral("1240x800"), MainWindowFrame::defaultSize},
            {QStringLiteral("1000x660"), MainWindowFrame::minimumSize},
            {QStringLiteral("screen1366x768"),
             MainWindowFrame::opening(QRect(0, 24, 1366, 744), MainWindowFrame::frameGuess).size()},
            {QStringLiteral("screen1280x720"),
             MainWindowFrame::opening(QRect(0, 24, 1280, 696), MainWindowFrame::frameGuess).size()},
        };
        for (const auto &[windowName, windowSize] : windows) {
            size = windowName;
            RecentsStore::shared().deleteAll();
            Settings::hasCompletedOnboarding.set(false);
            AppRouter router;
            Window window(router);
            window.resize(windowSize);
            window.show();

            // The first run's steps, and the combinations to avoid under their link.
            OnboardingView *first = window.shell->onboarding();
            ASSERT_NE(first, nullptr);
            const int steps = first->stepCount();
            for (int step = 0; step < steps; ++step) {
                OnboardingView *onboarding = window.shell->onboarding();
                ASSERT_NE(onboarding, nullptr);
                // As it rests, its slide over (and any other window's, pictured as well).
                testsupport::finishAllAnimations();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the step that left is gone
                EXPECT_EQ(testsupport::namedChild<QWidget>(*onboarding, "step")->graphicsEffect(), nullptr);
                look(window, QStringLiteral("onboarding%1").arg(step + 1));
                if (step + 1 < steps) onboarding->advance();
            }
            for (QAbstractButton *link : window.shell->onboarding()->findChildren<QAbstractButton *>())
                if (link->text() == L("Quais atalhos evitar?") && link->isVisible()) link->click();
            lookAtPopups(window, QStringLiteral("onboarding-avoid"));
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top != &window && top->isVisible()) top->close();
            Settings::hasCompletedOnboarding.set(true);

            // An empty history; then 30 captures, and a search that finds none of them.
            router.setPage(AppRouter::Page::history);
            look(window, QStringLiteral("history-empty"));
            for (int i = 0; i < 30; ++i) RecentsStore::shared().add(capture(i));
            router.setPage(AppRouter::Page::home);
            look(window, QStringLiteral("home"));
            router.setPage(AppRouter::Page::history);
            look(window, QStringLiteral("history"));
            testsupport::namedChild<QLineEdit>(*window.shell->pageWidget(AppRouter::Page::history), "searchField")
                ->setText(QStringLiteral("xilofone"));
            // The captures are in the history once read from the folder; then the search finds none of them.
            EXPECT_TRUE(testsupport::becomes([&] {
                return testsupport::namedChild<QLabel>(*window.shell->pageWidget(AppRouter::Page::history),
                                                       "emptyTitle")
                           ->text() == L("Nada encontrado");
            }));
            look(window, QStringLiteral("history-nomatch"));

            router.setPage(AppRouter::Page::tutorial);
            look(window, QStringLiteral("tutorials"));
            tutorials.open(withSteps);
            look(window, QStringLiteral("tutorial"));
            tutorials.startRecording();
            look(window, QStringLiteral("tutorial-recording"));
            {
                TutorialHUDView pill(tutorials, ShortcutStore::shared());
                pill.show();
                look(pill, QStringLiteral("recording-pill"));
            }
            tutorials.toggleRecording();
            tutorials.closeTutorial();

            router.setPage(AppRouter::Page::brand);
            look(window, QStringLiteral("brand"));
            router.setPage(AppRouter::Page::settings);
            look(window, QStringLiteral("settings"));

            router.openEditor(capture(1), QString(), std::nullopt);
            router.setPage(AppRouter::Page::editor);
            window.shell->currentPage(); // made whole now rather than a piece per turn
            // The size summary comes with the export's estimate, a quarter second after the render.
            EXPECT_TRUE(testsupport::becomes([&] { return router.editor()->render().estimatedBytes().has_value(); }));
            look(window, QStringLiteral("editor"));
            router.editor()->document().setTool(EditorTool::arrow);
            look(window, QStringLiteral("editor-arrow"));
            router.editor()->page().setShortcutsOpen(true);
            testsupport::finishAllAnimations(); // pictured at rest, not half faded in
            look(window, QStringLiteral("editor-shortcuts"));
            router.editor()->page().setShortcutsOpen(false);
            router.editor()->page().setCommandBarOpen(true);
            testsupport::finishAllAnimations();
            look(window, QStringLiteral("editor-commands"));
            router.editor()->page().setCommandBarOpen(false);
            router.closeEditor();

            MenuBarView tray(ShortcutStore::shared(), RecentsStore::shared(), platform::UserDefaults::standard());
            tray.show();
            look(tray, QStringLiteral("tray"));
            // The floating panel of a capture and the notice of a copy.
            QuickPanelController::shared().show(capture(2), nullptr);
            ASSERT_NE(QuickPanelController::shared().panel(), nullptr);
            look(*QuickPanelController::shared().panel()->window(), QStringLiteral("quick-panel"));
            QuickPanelController::shared().close(false);
            ToastView toast(capture(3), L("Copiado"), L("Cole com ⌘V em qualquer app"));
            toast.show();
            look(toast, QStringLiteral("toast"));
            window.close();
        }
    }
    platform::StringTables::setCurrentLanguage({});
    RecentsStore::shared().deleteAll();
    Settings::customName.reset();
    Settings::hasCompletedOnboarding.reset();
    Settings::historyCompact.reset();

    for (const QString &line : failures) ADD_FAILURE() << line.toStdString();
}
