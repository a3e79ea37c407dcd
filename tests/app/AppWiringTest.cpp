#include "app/AppRouter.h"
#include "app/AppWiring.h"
#include "app/MainWindowController.h"
#include "capture/CaptureService.h"
#include "capture/FakeCaptureBackend.h"
#include "capture/QuickPanelController.h"
#include "core/Settings.h"
#include "editor/EditorModel.h"
#include "history/RecentsStore.h"
#include "platform/Alert.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/ScriptedAlerts.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorial_window/TutorialHUDView.h"
#include "tutorial_window/TutorialTexts.h"
#include "tutorials/TutorialStore.h"
#include "widgets/ToolbarButton.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct NoAlerts : platform::AlertPresenter {
    int run(const platform::Alert &alert) override {
        ADD_FAILURE() << alert.messageText.toStdString();
        return 1;
    }
};

// The shared stores and services, connected as at start-up, with a scripted capture backend.
struct AppWiringTest : testing::Test {
    FakeCaptureBackend backend;
    NoAlerts alerts;
    AppRouter &router = AppRouter::shared();
    RecentsStore &recents = RecentsStore::shared();

    void SetUp() override {
        AppWiring::connectAll();
        CaptureBackend::setSharedForTesting(&backend);
        platform::AlertPresenter::setSharedForTesting(&alerts);
        CaptureService::resetForTesting();
        Settings::historyCompact.set(false); // PNG files: quick
        Settings::historyKeep.reset();
        recents.writer().waitForPending();
        recents.deleteAll();
    }
    void TearDown() override {
        QuickPanelController::shared().close(false);
        if (QWidget *window = MainWindowController::shared().window()) window->close();
        router.closeEditor();
        Settings::afterCapture.reset();
        Settings::historyCompact.reset();
        CaptureBackend::setSharedForTesting(nullptr);
        platform::AlertPresenter::setSharedForTesting(nullptr);
    }
    // Starts a capture and lets it run until what it delivered has landed, however loaded the machine.
    void capture() {
        QSignalSpy ended(&CaptureService::events(), &CaptureService::Events::grabEnded);
        CaptureService::start(ShortcutAction::captureFullScreen);
        EXPECT_TRUE(testsupport::received(ended));
        EXPECT_FALSE(CaptureService::isBusy());
    }
};

} // namespace

TEST_F(AppWiringTest, ACaptureForTheEditorOpensThereAndLearnsItsFileOnceWritten) {
    Settings::afterCapture.set(AfterCapture::editor);
    capture();
    ASSERT_NE(router.editor(), nullptr);
    EXPECT_EQ(router.editor()->document().original(), backend.screen);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_TRUE(MainWindowController::shared().isOpen());
    recents.writer().waitForPending();
    const QString written = recents.sortedFiles().value(0);
    ASSERT_TRUE(QFileInfo::exists(written));
    EXPECT_EQ(router.editor()->document().sourcePath(), written);

    // Not kept: the editor opens all the same, with no file.
    Settings::historyKeep.set(0);
    backend.screen = testsupport::filledImage(50, 40, Qt::blue);
    capture();
    ASSERT_NE(router.editor(), nullptr);
    EXPECT_EQ(router.editor()->document().original(), backend.screen);
    EXPECT_TRUE(router.editor()->document().sourcePath().isEmpty());
}

TEST_F(AppWiringTest, EditingFromTheQuickPanelBeforeTheFileIsWrittenStillLearnsTheFile) {
    // "Editar" pressed while the recents file is still being encoded: the editor must get the file
    // when it lands, or deleting that capture would never close the editor.
    Settings::afterCapture.set(AfterCapture::quick);
    Settings::historyCompact.set(true); // HEIC: slow enough to press first
    backend.screen = testsupport::filledImage(1200, 800, Qt::darkCyan);
    capture();
    ASSERT_NE(QuickPanelController::shared().model(), nullptr);
    QuickPanelController::shared().edit();
    EditorModel *editor = router.editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    recents.writer().waitForPending();
    const QString written = recents.sortedFiles().value(0);
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(editor->document().sourcePath(), written);
    recents.deleteFiles({written});
    EXPECT_EQ(router.editor(), nullptr);
}

TEST_F(AppWiringTest, RecentsOpenInTheEditorAndTheirRemovalClosesIt) {
    const QString first = recents.add(testsupport::filledImage(30, 20, Qt::red));
    ASSERT_FALSE(first.isEmpty());
    recents.open(recents.items().first());
    ASSERT_TRUE(testsupport::becomes([&] { return router.editor() != nullptr; }));
    EXPECT_EQ(router.editor()->document().sourcePath(), first);
    EXPECT_EQ(router.page(), AppRouter::Page::editor);
    EXPECT_TRUE(MainWindowController::shared().isOpen());

    // Pruned to a keep limit of none: the editor of that file goes.
    recents.applyKeepLimit(0);
    EXPECT_EQ(router.editor(), nullptr);
    EXPECT_EQ(router.page(), AppRouter::Page::home);
}

TEST_F(AppWiringTest, RecordingShowsThePillAndStoppingItShowsTheTutorialPage) {
    TutorialStore &tutorials = TutorialStore::shared();
    const auto pill = [] { return testsupport::shownWindow<TutorialHUDView>(); };
    if (tutorials.isRecording()) tutorials.toggleRecording();
    EXPECT_EQ(pill(), nullptr);
    tutorials.toggleRecording();
    ASSERT_NE(pill(), nullptr);
    EXPECT_FALSE(MainWindowController::shared().isOpen());

    // "Capturar passo" is an area capture, which becomes the next step.
    const qsizetype before = tutorials.tutorial().steps.size();
    testsupport::namedChild<QAbstractButton>(*pill(), "stepButton")->click();
    ASSERT_TRUE(testsupport::becomes([&] { return backend.overlayMode.has_value(); }));
    ASSERT_EQ(backend.overlayMode, CaptureBackend::OverlayMode::area);
    backend.pick(CaptureBackend::OverlayPick{
        CaptureBackend::OverlayPick::Area{testsupport::filledImage(30, 20, Qt::red), QRectF(0, 0, 30, 20), 0},
        std::nullopt});
    EXPECT_TRUE(testsupport::becomes([&] { return tutorials.tutorial().steps.size() == before + 1; }));
    EXPECT_EQ(testsupport::namedChild<QLabel>(*pill(), "stepCount")->text(), TutorialTexts::stepCount(before + 1));

    router.setPage(AppRouter::Page::home);
    tutorials.toggleRecording();
    EXPECT_FALSE(tutorials.isRecording());
    EXPECT_EQ(pill(), nullptr);
    EXPECT_EQ(router.page(), AppRouter::Page::tutorial);
    EXPECT_TRUE(MainWindowController::shared().isOpen());
}

TEST_F(AppWiringTest, DeletingTheRecordedTutorialOnlyTakesThePillAway) {
    TutorialStore &tutorials = TutorialStore::shared();
    if (tutorials.isRecording()) tutorials.toggleRecording();
    if (QWidget *window = MainWindowController::shared().window()) window->close();
    router.setPage(AppRouter::Page::home);
    tutorials.startRecording();
    ASSERT_NE(testsupport::shownWindow<TutorialHUDView>(), nullptr);
    tutorials.delete_(*tutorials.currentID());
    EXPECT_EQ(testsupport::shownWindow<TutorialHUDView>(), nullptr);
    EXPECT_EQ(router.page(), AppRouter::Page::home);
    EXPECT_FALSE(MainWindowController::shared().isOpen());
}

TEST_F(AppWiringTest, AChangeToATutorialTheFolderRefusesIsToldOnce) {
    TutorialStore &tutorials = TutorialStore::shared();
    if (tutorials.isRecording()) tutorials.toggleRecording();
    testsupport::ScriptedAlerts told;
    const QUuid id = tutorials.newTutorial();
    const QString folder = tutorials.folder(id);
    // A folder where the document should be: the document cannot be replaced.
    const QString document = folder + QStringLiteral("/tutorial.json");
    ASSERT_TRUE(QFile::remove(document));
    ASSERT_TRUE(QDir().mkpath(document));
    tutorials.rename(id, QStringLiteral("Primeiro"));
    tutorials.rename(id, QStringLiteral("Segundo"));
    testsupport::settle();
    ASSERT_EQ(told.shown.size(), 1);
    EXPECT_EQ(told.shown[0].messageText, QStringLiteral("Não foi possível salvar o arquivo."));
    const QString detail = told.shown[0].informativeText;
    EXPECT_TRUE(detail.contains(folder) && detail.contains(QStringLiteral("vale só até o Pelicarta fechar")))
        << detail.toStdString();
    ASSERT_TRUE(QDir(document).removeRecursively());
    tutorials.delete_(id);
}

TEST_F(AppWiringTest, AStepTheLibraryRefusesIsToldOnceWithWhereItsPictureWaits) {
    TutorialStore &tutorials = TutorialStore::shared();
    if (tutorials.isRecording()) tutorials.toggleRecording();
    testsupport::TempFolder run;
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", run.path());
    testsupport::ScriptedAlerts told;
    tutorials.newTutorial();
    tutorials.startRecording();
    // A file where the tutorial's folder should be refuses the steps, as a full disk does.
    const QString folder = tutorials.folder(*tutorials.currentID());
    ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral(".away")));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(tutorials.addStep(testsupport::filledImage(30, 20, Qt::red)));
    EXPECT_FALSE(tutorials.addStep(testsupport::filledImage(30, 20, Qt::blue)));
    testsupport::settle();
    // Told without a question that would hold up the next step: no dialog waits for an answer.
    EXPECT_TRUE(told.shown.isEmpty());
    ASSERT_EQ(told.notices.size(), 1);
    EXPECT_EQ(told.notices[0].messageText, QStringLiteral("Não foi possível salvar o passo"));
    const QString detail = told.notices[0].informativeText;
    EXPECT_TRUE(detail.contains(folder) && detail.contains(run.path()) &&
                detail.contains(QStringLiteral("entra no tutorial")))
        << detail.toStdString();

    // Once the folder takes files again, ending the recording shows both steps.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().rename(folder + QStringLiteral(".away"), folder));
    tutorials.toggleRecording();
    EXPECT_EQ(tutorials.tutorial().steps.size(), 2);
    EXPECT_EQ(router.page(), AppRouter::Page::tutorial);
    testsupport::settle();
    EXPECT_EQ(told.notices.size(), 1);
    EXPECT_TRUE(told.shown.isEmpty());
}

// A settings file edited by hand into something that does not parse is not written over; the user
// reads why in their own language, never in the store's log words.
TEST_F(AppWiringTest, SettingsThatCannotBeWrittenAreToldInTheUsersLanguage) {
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    const QString path = defaults.filePath();
    const auto putOnDisk = [&](const QByteArray &bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        defaults.reloadFromDisk();
    };
    const auto restore = qScopeGuard([&] {
        putOnDisk(R"({"format":1,"values":{}})");
        platform::StringTables::setCurrentLanguage({});
    });
    for (const char *language : {"pt-BR", "en"}) {
        platform::StringTables::setCurrentLanguage(QString::fromLatin1(language));
        testsupport::ScriptedAlerts told;
        putOnDisk("{\"format\":1,\"values\":{");
        Settings::greetingEnabled.set(false);
        testsupport::settle();
        ASSERT_EQ(told.shown.size(), 1) << language;
        const QString detail = told.shown[0].informativeText;
        EXPECT_FALSE(detail.contains(QStringLiteral("cannot be read, so it is not overwritten"))) << detail.toStdString();
        const bool english = QString::fromLatin1(language) == QStringLiteral("en");
        EXPECT_EQ(told.shown[0].messageText,
                  english ? QStringLiteral("The file could not be saved.") : QStringLiteral("Não foi possível salvar o arquivo."));
        EXPECT_TRUE(detail.contains(english ? QStringLiteral("the file there could not be read")
                                            : QStringLiteral("o arquivo que está lá não pôde ser lido")))
            << detail.toStdString();
        // Mended: the next change is written, and a later failure is told again.
        putOnDisk(R"({"format":1,"values":{}})");
        Settings::greetingEnabled.set(true);
        Settings::greetingEnabled.reset();
    }
}
