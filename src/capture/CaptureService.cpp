#include "capture/CaptureService.h"

#include "brand/BrandStore.h"
#include "capture/CaptureBackend.h"
#include "capture/CaptureFile.h"
#include "capture/Log.h"
#include "capture/QuickPanelController.h"
#include "core/Beautifier.h"
#include "core/Clipboard.h"
#include "core/Localization.h"
#include "core/Notifier.h"
#include "core/Settings.h"
#include "core/ShortcutAction.h"
#include "core/StyleStore.h"
#include "history/RecentsStore.h"
#include "platform/Alert.h"
#include "platform/ThreadPriority.h"
#include "tutorials/TutorialStore.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QFuture>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QtConcurrent>

#include <atomic>

namespace CaptureService {

namespace {

// All state lives on the main thread and only for this run.
bool busy = false;
bool overlayUp = false;
// Read by the copy's worker too.
std::atomic<bool> quitting = false;
// Captures started and not yet at their end (see `settled`): the application waits for them to end.
int underway = 0;
std::optional<qint32> frontmostPID;
std::optional<LastArea> lastConfirmedArea;

// The backdrop, shadow and logo of a full-screen copy, drawn on a worker while the screen is read;
// the copy uses it when the grab's layout and the style of the moment turn out the same.
struct PredrawnBackplate {
    BeautyStyle style;
    std::optional<BrandLogo> logo;
    Beautifier::Layout layout;
    QFuture<QImage> plate;
};
std::optional<PredrawnBackplate> predrawnBackplate; // dropped by the grab's end, whatever it brings

// One capture came to its end.
void settleOne() {
    if (underway > 0 && --underway == 0) emit events().settled();
}

void startPredrawingBackplate() {
    predrawnBackplate.reset();
    if (Settings::afterCapture.value() != AfterCapture::copy || TutorialStore::shared().isRecording()) return;
    // One screen needs no question to the server about the pointer.
    const QList<QScreen *> screens = QGuiApplication::screens();
    const QScreen *screen = screens.size() == 1 ? screens.first() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen) return;
    const BeautyStyle style = StyleStore::shared().defaultStyle();
    const std::optional<Beautifier::Layout> layout =
        Beautifier::layout(screen->geometry().size() * screen->devicePixelRatio(), style);
    if (!layout) return;
    std::optional<BrandLogo> logo = BrandStore::shared().screenshotLogo();
    QFuture<QImage> plate =
        platform::startAtBulkPriority([l = *layout, style, logo] { return Beautifier::backplate(l, style, logo); });
    predrawnBackplate = PredrawnBackplate{style, std::move(logo), *layout, std::move(plate)};
}

void askForPermission() {
    const int choice = platform::AlertPresenter::shared().run(
        {L("Permita a Gravação de Tela"),
         L("O Pelicarta precisa dessa permissão para capturar. Ligue o Pelicarta em Ajustes do Sistema › "
           "Privacidade e Segurança › Gravação de Tela."),
         {L("Abrir configurações do sistema"), L("Agora não")}});
    // Access is asked for only once the user chose to.
    if (choice == 0) CaptureBackend::shared().requestScreenAccess();
}

void showError(const QString &message) {
    // An alert would hold the end of the application until someone answers it.
    if (quitting) {
        qCWarning(lcCapture, "a capture failed while quitting: %s", qPrintable(message));
        return;
    }
    platform::AlertPresenter::shared().run({L("Não foi possível capturar"), message, {QStringLiteral("OK")}});
}

// One capture on its way from the grab to what it becomes: its picture, the moment it was taken (which
// names and dates its recents file however long that waits to be written) and the file, which whatever
// shows the capture learns once it is written.
struct CaptureJob {
    QImage image;
    QDateTime taken;
    CaptureFile::Ptr file; // none for a copy: nothing shows it
};

// Into the recents folder; the capture's road ends once the writer holds it: the writer finishes what
// it holds as the application ends, or leaves it waiting on disk for the next start.
void keep(const CaptureJob &job) {
    std::function<void(const QString &)> written;
    if (job.file) written = [file = job.file](const QString &path) { file->settle(path); };
    RecentsStore::shared().addInBackground(job.image, job.taken, std::move(written));
    settleOne();
}

// Whether a capture ending now is copied: its file is then the writer's at once (`keepBeforeCopying`).
bool copies() {
    return !quitting && !TutorialStore::shared().isRecording() &&
           Settings::afterCapture.value() == AfterCapture::copy;
}

// A copy's capture goes to the writer before anything else, so that its file depends neither on the
// clipboard nor on the display; the writer holds its encodings back until the copy is on the clipboard
// (`copyBeautified`), so that they do not share the processors while the user waits to paste.
void keepBeforeCopying(const CaptureJob &job) {
    RecentsStore::shared().writer().beginUrgentWork();
    keep(job);
}

// Beautified, encoded and copied in one go on a worker, once the capture is kept (`keepBeforeCopying`).
// A copy that a later one overtook is not even beautified when it was overtaken before its turn came.
void copyBeautified(const QImage &image, std::optional<PredrawnBackplate> predrawn) {
    // Read here, on the main thread; the render gets its own copies.
    const BeautyStyle style = StyleStore::shared().defaultStyle();
    const std::optional<BrandLogo> logo = BrandStore::shared().screenshotLogo();
    if (predrawn && !(predrawn->style == style && predrawn->logo == logo)) predrawn.reset();
    const auto beautify = [image, style, logo, predrawn = std::move(predrawn)]() mutable {
        // Nobody pastes from an application that is ending: the file is what the capture leaves.
        if (quitting) return QImage();
        QImage out;
        // Below the GUI thread, as every render is. A render that failed (out of memory) copies the
        // capture as it is.
        platform::runAtBulkPriority([&] {
            try {
                // Taken, not shared with the future: the screenshot is then drawn straight into it.
                out = predrawn
                          ? Beautifier::renderOnto(predrawn->plate.takeResult(), predrawn->layout, image, style, logo)
                          : Beautifier::render(image, style, logo);
            } catch (...) {}
        });
        return out.isNull() ? image : out;
    };
    Clipboard::copyForPastingInBackground(beautify, [](const Clipboard::PastingCopy &copied) {
        if (!copied.overtaken && !quitting) Notifier::shared().notify(copied.notice());
        RecentsStore::shared().writer().endUrgentWork();
    });
}

void deliver(CaptureJob job, std::optional<PredrawnBackplate> predrawn = std::nullopt) {
    TutorialStore &tutorials = TutorialStore::shared();
    if (tutorials.isRecording()) {
        tutorials.addStep(job.image);
        settleOne();
        return;
    }
    // No window opens for an application that is ending.
    if (quitting) return keep(job);
    switch (Settings::afterCapture.value()) {
    case AfterCapture::editor:
        // The editor opens at once; the (slow) HEIC is encoded on a worker thread and the editor
        // learns its file when it has been written.
        job.file = CaptureFile::pending();
        emit events().editorRequested(job.image, job.file, std::nullopt);
        keep(job);
        break;
    case AfterCapture::quick:
        // The panel comes up at once; its capture learns its recents file when that is written.
        job.file = CaptureFile::pending();
        QuickPanelController::shared().show(job.image, job.file);
        keep(job);
        break;
    case AfterCapture::copy:
        // The copy does not need the file; the event loop stays free to serve the clipboard.
        keepBeforeCopying(job);
        copyBeautified(job.image, std::move(predrawn));
        break;
    }
}

// The end of every grab: deliver the image or show what went wrong; the road is free again either way.
// A panel the grab left off the screen for the new one comes back unless the new one took its window.
void finishGrab(const QImage &image, const QString &error, const QDateTime &taken) {
    busy = false;
    std::optional<PredrawnBackplate> predrawn = std::exchange(predrawnBackplate, std::nullopt);
    if (!error.isEmpty() || image.isNull()) {
        QuickPanelController::shared().releaseHold();
        emit events().grabEnded();
        showError(error.isEmpty() ? L("Não encontrei a tela para capturar.") : error);
        settleOne();
        return;
    }
    qCDebug(lcCapture, "a capture was taken (%dx%d)", image.width(), image.height());
    // A copy is kept at once, whatever becomes of the display before the next turn.
    const CaptureJob job{image, taken, nullptr};
    const bool kept = copies();
    if (kept) keepBeforeCopying(job);
    // Delivered on a turn of its own: the grab's end has just waited for the display server's answers
    // and showing the outcome waits for more, which on a loaded machine would together hold the event
    // loop past a frame. A capture started meanwhile runs after it.
    QTimer::singleShot(0, qApp, [job, kept, predrawn = std::move(predrawn)]() mutable {
        if (kept) copyBeautified(job.image, std::move(predrawn));
        else deliver(job, std::move(predrawn));
        QuickPanelController::shared().releaseHold();
        emit events().grabEnded();
    });
}

// The end of a grab starting now: the capture is taken at this moment, whenever its pixels arrive.
CaptureBackend::ImageCallback grabFinisher() {
    return [taken = QDateTime::currentDateTime()](const QImage &image, const QString &error) {
        finishGrab(image, error, taken);
    };
}

// Before a grab read off the GUI thread: the window that shows the outcome need not come back after
// it only to make way for the next capture (a quick panel) or to show the previous one first (the main
// window).
void holdOutcomeWindow() {
    if (TutorialStore::shared().isRecording()) return;
    if (Settings::afterCapture.value() == AfterCapture::quick) QuickPanelController::shared().holdForCapture();
    else if (Settings::afterCapture.value() == AfterCapture::editor) emit events().editorGrabStarting();
}

void deliverPick(const CaptureBackend::OverlayPick &pick) {
    if (pick.area) {
        lastConfirmedArea = LastArea{pick.area->rect, pick.area->displayID};
        deliver({pick.area->image, QDateTime::currentDateTime(), nullptr});
        return;
    }
    if (!pick.window) return settleOne();
    busy = true;
    const CaptureBackend::PickedWindow window = *pick.window;
    QTimer::singleShot(0, qApp, [window] {
        const bool returnFocus =
            TutorialStore::shared().isRecording() || Settings::afterCapture.value() != AfterCapture::editor;
        CaptureBackend::shared().captureWindow(window, frontmostPID, returnFocus, grabFinisher());
    });
}

void showOverlay(CaptureBackend::OverlayMode mode) {
    CaptureBackend::shared().showOverlay(
        mode,
        [](const QString &error) {
            // Once the overlay is up only the overlay blocks a new start.
            busy = false;
            if (error.isEmpty()) {
                overlayUp = true;
                return;
            }
            showError(error);
            settleOne();
        },
        [](std::optional<CaptureBackend::OverlayPick> pick) {
            overlayUp = false;
            if (pick) deliverPick(*pick);
            else settleOne();
        });
}

bool overlayFollows(ShortcutAction action) {
    return action == ShortcutAction::captureArea || action == ShortcutAction::captureWindow ||
           (action == ShortcutAction::repeatLastArea && !lastConfirmedArea);
}

void run(ShortcutAction action) {
    CaptureBackend &backend = CaptureBackend::shared();
    // An overlay asked for just before the end would only be taken down again: the user has picked
    // nothing yet.
    if (quitting && overlayFollows(action)) {
        busy = false;
        return settleOne();
    }
    switch (action) {
    case ShortcutAction::captureArea: showOverlay(CaptureBackend::OverlayMode::area); break;
    case ShortcutAction::captureWindow: showOverlay(CaptureBackend::OverlayMode::window); break;
    case ShortcutAction::captureFullScreen:
        holdOutcomeWindow();
        backend.captureDisplayUnderMouse(grabFinisher());
        // Started once the read is under way (unless it already ended), not to delay it.
        if (busy) startPredrawingBackplate();
        break;
    case ShortcutAction::repeatLastArea:
        if (lastConfirmedArea) {
            holdOutcomeWindow();
            backend.captureArea(lastConfirmedArea->rect, lastConfirmedArea->displayID, grabFinisher());
        } else {
            showOverlay(CaptureBackend::OverlayMode::area);
        }
        break;
    case ShortcutAction::toggleTutorial: break; // never reaches here: start() toggles recording at once
    }
}

} // namespace

Events &events() {
    static Events *instance = new Events; // lives as long as the process
    return *instance;
}

// A start refused without an alert (a hot key pressed at the wrong moment) is told in the log alone.
static Start refused(ShortcutAction action, Start outcome, const char *why) {
    qCInfo(lcCapture, "%s refused: %s", qPrintable(ShortcutActions::rawValue(action)), why);
    return outcome;
}

Start start(ShortcutAction action) {
    if (quitting) return refused(action, Start::refusedQuitting, "Pelicarta is quitting");
    if (action == ShortcutAction::toggleTutorial) {
        TutorialStore::shared().toggleRecording();
        return Start::started;
    }
    // Under a modal dialog Qt drops input to every other window: the overlay would grab keyboard and
    // pointer and never see Escape or a click. This also keeps permission alerts from stacking.
    if (QGuiApplication::modalWindow()) return refused(action, Start::refusedUnderDialog, "a dialog is open");
    if (busy) return refused(action, Start::refusedBusy, "an earlier capture is still being taken");
    if (overlayUp) return refused(action, Start::refusedOverlayUp, "the selection overlay is up");
    CaptureBackend &backend = CaptureBackend::shared();
    if (!backend.hasScreenAccess()) {
        askForPermission();
        return Start::refusedNoAccess;
    }
    busy = true;
    // Only a window picked on the overlay gives the focus back; a grab without one asks the server
    // nothing for it.
    frontmostPID = overlayFollows(action) ? backend.frontmostPID() : std::nullopt;
    ++underway;
    QTimer::singleShot(0, qApp, [action] { run(action); });
    return Start::started;
}

void beginQuitting() {
    if (quitting) return;
    quitting = true;
    qCInfo(lcCapture, "quitting: %d captures still on their way", underway);
    if (overlayUp) CaptureBackend::shared().cancelOverlay();
}

bool isSettled() { return underway == 0; }

bool isBusy() { return busy; }
bool overlayIsUp() { return overlayUp; }
std::optional<LastArea> lastArea() { return lastConfirmedArea; }

void resetForTesting() {
    busy = false;
    overlayUp = false;
    quitting = false;
    underway = 0;
    frontmostPID.reset();
    lastConfirmedArea.reset();
    predrawnBackplate.reset();
}

} // namespace CaptureService
