#include "app/AppWiring.h"

#include "app/AppRouter.h"
#include "app/MainWindowController.h"
#include "capture/CaptureService.h"
#include "capture/QuickPanelController.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
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

    QObject::connect(&TutorialStore::shared(), &TutorialStore::recordingFinished, &router,
                     [] { MainWindowController::shared().show(AppRouter::Page::tutorial); });
}

} // namespace AppWiring
