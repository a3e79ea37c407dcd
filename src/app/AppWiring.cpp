#include "app/AppWiring.h"

#include "app/AppRouter.h"
#include "app/EventLoopWatchdog.h"
#include "app/MainWindowController.h"
#include "capture/CaptureService.h"
#include "editor/EditorModel.h"
#include "capture/QuickPanelController.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
#include "core/Localization.h"
#include "editor_window/BackdropEditorView.h"
#include "platform/Alert.h"
#include "platform/UserDefaults.h"
#include "tutorial_window/TutorialHUDController.h"
#include "tutorials/TutorialStore.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace AppWiring {

void openInEditor(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style) {
    AppRouter::shared().openEditor(image, sourcePath, style);
    MainWindowController::shared().show(AppRouter::Page::editor);
}

namespace {

// A capture that may still be being written: the editor takes its file once there is one.
void openCaptureInEditor(const QImage &image, const CaptureFile::Ptr &file, const std::optional<BeautyStyle> &style) {
    openInEditor(image, file ? file->path() : QString(), style);
    QPointer<EditorModel> editor = AppRouter::shared().editor();
    if (!file || !editor || file->isSettled()) return;
    file->whenWritten(editor, [editor](const QString &path) {
        if (editor && editor->document().sourcePath().isEmpty()) editor->document().setSourcePath(path);
    });
}

// After the signal's sender has finished what it was doing: an alert waits for the user.
void alertLater(const QString &title, const QString &detail) {
    QTimer::singleShot(0, qApp, [title, detail] {
        platform::AlertPresenter::shared().run({title, detail, {QStringLiteral("OK")}});
    });
}

// Why the settings were not written, in the user's language; the system's own reason as it gave it.
QString settingsWriteReason(platform::UserDefaults::WriteProblem problem, const QString &systemError) {
    using Problem = platform::UserDefaults::WriteProblem;
    switch (problem) {
    case Problem::unreadableFile: return L("o arquivo que está lá não pôde ser lido, e não é substituído");
    case Problem::tooLarge:
        return L(LKey("passariam de %@ MiB", {QString::number(platform::UserDefaults::maxFileBytes >> 20)}));
    case Problem::system: break;
    }
    return systemError;
}

} // namespace

void connectAll() {
    static bool connected = false;
    if (connected) return;
    connected = true;
    AppRouter &router = AppRouter::shared();
    // The backdrop editor: in its own dialog for the brand page, inside the editor's sheet for the editor.
    BackdropSheet::setPresenter(&BackdropEditorView::present);
    BackdropSheet::setContent(&BackdropEditorView::content);

    QObject::connect(&CaptureService::events(), &CaptureService::Events::editorRequested, &router,
                     &openCaptureInEditor);
    QObject::connect(&CaptureService::events(), &CaptureService::Events::editorGrabStarting, &router,
                     [] { MainWindowController::shared().holdForCapture(); });
    QObject::connect(&CaptureService::events(), &CaptureService::Events::grabEnded, &router,
                     [] { MainWindowController::shared().releaseHold(); });
    QObject::connect(&QuickPanelController::shared(), &QuickPanelController::editorRequested, &router,
                     &openCaptureInEditor);
    QObject::connect(&QuickPanelController::shared(), &QuickPanelController::shown, &router,
                     [] { EventLoopWatchdog::mark("quick panel shown"); });

    RecentsStore &recents = RecentsStore::shared();
    // The history index first, as the recents store tells it first. It is made by the first capture
    // written (or the first visit of its page), never at start; files removed before then are purged
    // by its first reload.
    QObject::connect(&recents, &RecentsStore::captureWritten, &router,
                     [](const QString &path, const QDateTime &taken) { HistoryStore::shared().didAdd(path, taken); });
    const auto forget = [](const QStringList &paths) {
        if (HistoryStore *history = HistoryStore::sharedIfMade()) history->forget(paths);
    };
    QObject::connect(&recents, &RecentsStore::capturesRemoved, &router, forget);
    QObject::connect(&recents, &RecentsStore::editorRequested, &router, &openInEditor);
    QObject::connect(&recents, &RecentsStore::capturesRemoved, &router, &AppRouter::recentDeleted);
    // Deleting everything tells the router first, then the history index.
    QObject::connect(&recents, &RecentsStore::capturesCleared, &router, &AppRouter::recentDeleted);
    QObject::connect(&recents, &RecentsStore::capturesCleared, &router, forget);

    // Folders that refuse to be written: the user hears of it once, with the folder's name.
    QObject::connect(
        &recents, &RecentsStore::keepingFailed, &router,
        [](const QString &folder, const QString &error, const QString &keptIn) {
            alertLater(
                L("Não foi possível salvar o arquivo."),
                keptIn.isEmpty()
                    ? L(LKey("A pasta “%@” não aceita gravação (%@). A captura não foi guardada.", {folder, error}))
                    : L(LKey("A pasta “%@” não aceita gravação (%@). Esta captura foi guardada em “%@”.",
                             {folder, error, keptIn})));
        });
    QObject::connect(&recents, &RecentsStore::waitingFileSetAside, &router, [](const QString &folder) {
        alertLater(L("Não foi possível recuperar uma captura"),
                   L(LKey("Uma captura que esperava para ser gravada não pôde ser lida. O arquivo foi posto de lado "
                          "em “%@”.",
                          {folder})));
    });
    QObject::connect(&platform::UserDefaults::standard(), &platform::UserDefaults::writeFailed, &router,
                     [](const QString &path, platform::UserDefaults::WriteProblem problem, const QString &error) {
                         alertLater(L("Não foi possível salvar o arquivo."),
                                    L(LKey("As configurações não puderam ser gravadas em “%@” (%@). O que mudar agora "
                                           "vale só até o Pelicarta fechar.",
                                           {path, settingsWriteReason(problem, error)})));
                     });

    // Recording shows the pill while it lasts; stopping it on purpose opens the tutorial, while deleting
    // the tutorial being recorded only takes the pill away.
    TutorialStore &tutorials = TutorialStore::shared();
    TutorialHUDController &pill = TutorialHUDController::shared();
    QObject::connect(&tutorials, &TutorialStore::recordingChanged, &pill, [&pill](bool recording) {
        if (recording) pill.show();
        else pill.close();
    });
    // A step the library's folder refused (a full disk): said once, with where its picture waits, in a
    // notice that asks nothing: the recording goes on, and a dialog waiting for an answer would hold
    // up every next capture.
    QObject::connect(
        &tutorials, &TutorialStore::stepNotSaved, &router,
        [](const QString &folder, const QString &error, const QString &keptIn) {
            platform::AlertPresenter::shared().tell(
                {L("Não foi possível salvar o passo"),
                 keptIn.isEmpty()
                     ? L(LKey("A pasta “%@” não aceita gravação (%@). O passo não foi guardado.", {folder, error}))
                     : L(LKey("A pasta “%@” não aceita gravação (%@). O passo foi guardado em “%@” e entra no "
                              "tutorial assim que a pasta aceitar gravação de novo.",
                              {folder, error, keptIn})),
                 {QStringLiteral("OK")}});
        });
    QObject::connect(&tutorials, &TutorialStore::tutorialNotSaved, &router,
                     [](const QString &folder, const QString &error) {
                         alertLater(L("Não foi possível salvar o arquivo."),
                                    L(LKey("O tutorial não pôde ser gravado em “%@” (%@). O que mudar agora vale "
                                           "só até o Pelicarta fechar.",
                                           {folder, error})));
                     });
    QObject::connect(&tutorials, &TutorialStore::recordingFinished, &router,
                     [] { MainWindowController::shared().show(AppRouter::Page::tutorial); });
    QObject::connect(&pill, &TutorialHUDController::stepRequested, &router,
                     [] { CaptureService::start(ShortcutAction::captureArea); });
}

} // namespace AppWiring
