#include "app/AppWiring.h"

#include "app/AppRouter.h"
#include "app/MainWindowController.h"
#include "capture/CaptureService.h"
#include "capture/QuickPanelController.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
#include "tutorial_window/TutorialHUDController.h"
#include "tutorials/TutorialStore.h"

namespace AppWiring {

void openInEditor(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style) {
    AppRouter::shared().openEditor(image, sourcePath, style);
    MainWindowController::shared().show(AppRouter::Page::editor);
}

void connectAll() {
    static bool connected = false;
    if (connected) return;
    connected = true;
    AppRouter &router = AppRouter::shared();

    QObject::connect(&CaptureService::events(), &CaptureService::Events::editorRequested, &router, &openInEditor);
    QObject::connect(&QuickPanelController::shared(), &QuickPanelController::editorRequested, &router, &openInEditor);

    RecentsStore &recents = RecentsStore::shared();
    // The history index first, as the recents store tells it first. It is made by the first capture
    // written (or the first visit of its page), never at start; files removed before then are purged
    // by its first reload.
    QObject::connect(&recents, &RecentsStore::captureWritten, &router,
                     [](const QString &path, const QImage &image) { HistoryStore::shared().didAdd(path, image); });
    QObject::connect(&recents, &RecentsStore::capturesRemoved, &router, [](const QStringList &paths) {
        if (HistoryStore *history = HistoryStore::sharedIfMade()) history->forget(paths);
    });
    QObject::connect(&recents, &RecentsStore::editorRequested, &router, &openInEditor);
    QObject::connect(&recents, &RecentsStore::captureWritten, &router, &AppRouter::recentWritten);
    QObject::connect(&recents, &RecentsStore::capturesRemoved, &router, &AppRouter::recentDeleted);

    // Recording shows the pill while it lasts; stopping it on purpose opens the tutorial, while deleting
    // the tutorial being recorded only takes the pill away.
    TutorialStore &tutorials = TutorialStore::shared();
    TutorialHUDController &pill = TutorialHUDController::shared();
    QObject::connect(&tutorials, &TutorialStore::recordingChanged, &pill, [&pill](bool recording) {
        if (recording)
            pill.show();
        else
            pill.close();
    });
    QObject::connect(&tutorials, &TutorialStore::recordingFinished, &router,
                     [] { MainWindowController::shared().show(AppRouter::Page::tutorial); });
    QObject::connect(&pill, &TutorialHUDController::stepRequested, &router,
                     [] { CaptureService::start(ShortcutAction::captureArea); });
}

} // namespace AppWiring
