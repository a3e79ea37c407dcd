#include "app/PelicartaApp.h"

#include "app/AppWiring.h"
#include "app/Log.h"
#include "app/MainWindowController.h"
#include "app/MenuBarView.h"
#include "capture/CaptureService.h"
#include "capture/HotkeyManager.h"
#include "core/DragFile.h"
#include "core/ShortcutStore.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
#include "platform/Ghostscript.h"
#include "platform/SingleInstance.h"
#include "platform/UserDefaults.h"
#include "widgets/Icons.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QThreadPool>
#include <QTimer>

#include <utility>

namespace {

// How long after the launch the history index starts catching up.
constexpr int kHistoryCatchUpDelayMs = 3000;

} // namespace

PelicartaApp::PelicartaApp(platform::SingleInstance *instance, QObject *parent)
    : QObject(parent), m_captureTimer(new QTimer(this)) {
    m_captureTimer->setSingleShot(true);
    m_captureTimer->setInterval(50);
    connect(m_captureTimer, &QTimer::timeout, this, &PelicartaApp::startWaitingCapture);
    // The global hot keys work before any window exists; they register on the first event-loop turn.
    HotkeyManager::shared().start();
    if (instance) {
        connect(instance, &platform::SingleInstance::messageReceived, this,
                [this, instance](const QStringList &message) {
                    const auto command = AppCommand::fromMessage(message);
                    if (!command) {
                        // Most likely a later Pelicarta's launch: it must not end as if it had been done.
                        if (const auto answer = instance->answerLater())
                            answer->refuse(QStringLiteral("The running Pelicarta does not know the request \"%1\"; "
                                                          "quit it and start this version.")
                                               .arg(message.join(QLatin1Char(' '))));
                        return;
                    }
                    // The launch waits to learn whether its capture started.
                    perform(*command, command->kind == AppCommand::Kind::capture ? instance->answerLater() : nullptr);
                });
    }
}

PelicartaApp::~PelicartaApp() { delete m_menu; }

void PelicartaApp::launch(WindowOpens window) {
    // The stores exist from here on (recording must work from the first capture, before any page
    // shows the tutorials), and what they announce reaches the router and the main window.
    AppWiring::connectAll();

    m_menu = new MenuBarView(ShortcutStore::shared(), RecentsStore::shared(), platform::UserDefaults::standard());
    connect(m_menu, &MenuBarView::quitRequested, this, &PelicartaApp::quit);
    m_tray = new QSystemTrayIcon(Icons::trayIcon(), this);
    m_tray->setToolTip(QStringLiteral("Pelicarta"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
            m_menu->toggle(m_tray->geometry());
    });
    m_tray->show();

    if (window == WindowOpens::now) {
        MainWindowController::shared().show(AppRouter::Page::home);
    } else if (window == WindowOpens::afterTheCapture) {
        // A window mapped while the screen is read would be in the picture: the window manager frames
        // and places it at a moment of its own, which no grab can wait for.
        m_windowHeld = true;
        connect(&CaptureService::events(), &CaptureService::Events::settled, this, &PelicartaApp::openHeldWindow);
    }

    // Files dragged out on earlier days have long been read by the programs that took them; logo
    // renders that a killed process left behind are read by no one.
    QThreadPool::globalInstance()->start([] {
        DragFile::removeOldFolders(QDir::tempPath(), QDateTime::currentDateTime());
        platform::Ghostscript::removeLeftovers(QDir::tempPath());
    });

    // Captures the index lacks (written while the reader was behind when the app last ended, or put
    // in the folder meanwhile) are read in the background without waiting for the history page;
    // once the first window and the hot keys are up.
    QTimer::singleShot(kHistoryCatchUpDelayMs, this, [] { HistoryStore::shared(); });
}

PelicartaApp::WindowOpens PelicartaApp::windowOpensFor(const AppCommand &command) {
    if (command.kind != AppCommand::Kind::capture) return WindowOpens::now;
    // Recording goes on over the program being documented; stopping it opens the tutorial.
    return command.action == ShortcutAction::toggleTutorial ? WindowOpens::never : WindowOpens::afterTheCapture;
}

void PelicartaApp::reopen() { MainWindowController::shared().show(); }

void PelicartaApp::openHeldWindow() {
    if (!std::exchange(m_windowHeld, false) || m_quitting) return;
    disconnect(&CaptureService::events(), &CaptureService::Events::settled, this, &PelicartaApp::openHeldWindow);
    // The editor may have opened it on its capture already.
    if (!MainWindowController::shared().isOpen()) MainWindowController::shared().show(AppRouter::Page::home);
}

void PelicartaApp::perform(const AppCommand &command, std::shared_ptr<platform::SingleInstance::Answer> answer) {
    switch (command.kind) {
    case AppCommand::Kind::show:
        if (!m_quitting) reopen();
        break;
    case AppCommand::Kind::capture:
        // Launches that come together are carried out one after the other: a request arriving while a
        // grab is being made waits for it instead of being dropped. Once an overlay is up, the user is
        // choosing, and a start is refused as a hot key's is ignored.
        m_waitingCaptures.append({command.action, std::move(answer)});
        startWaitingCapture();
        break;
    case AppCommand::Kind::quit: quit(); break;
    case AppCommand::Kind::ping: break; // answered once taken
    case AppCommand::Kind::help: break; // a launch prints it and never hands it on
    }
}

namespace {

// A grab that has not ended for this long will not end soon: the requests behind it are refused.
constexpr qint64 kLongestGrabMs = 15'000;
// How long quitting waits for the captures started before it to reach their writes: grabs, beautifying
// and the clipboard's encoding of a burst on a loaded machine.
constexpr int kLongestSettleMs = 60'000;

// For the terminal of the launch whose request it was: a sentence of its own.
QString refusalText(CaptureService::Start start) {
    switch (start) {
    case CaptureService::Start::started: break;
    case CaptureService::Start::refusedUnderDialog:
        return QStringLiteral("Pelicarta has a dialog open; answer it first.");
    case CaptureService::Start::refusedBusy: return QStringLiteral("Pelicarta is still busy with an earlier capture.");
    case CaptureService::Start::refusedOverlayUp:
        return QStringLiteral("Pelicarta is waiting for an area or a window to be picked.");
    case CaptureService::Start::refusedNoAccess: return QStringLiteral("Pelicarta may not read the screen.");
    case CaptureService::Start::refusedQuitting: return QStringLiteral("Pelicarta is quitting.");
    }
    return {};
}

void tell(const std::shared_ptr<platform::SingleInstance::Answer> &answer, CaptureService::Start start) {
    if (!answer) return;
    if (start == CaptureService::Start::started) answer->accept();
    else answer->refuse(refusalText(start));
}

} // namespace

void PelicartaApp::startWaitingCapture() {
    while (!m_waitingCaptures.isEmpty()) {
        if (CaptureService::isBusy()) {
            if (!m_busySince.isValid()) m_busySince.start();
            if (m_busySince.elapsed() < kLongestGrabMs) break;
            tell(m_waitingCaptures.takeFirst().answer, CaptureService::Start::refusedBusy);
            continue;
        }
        m_busySince.invalidate();
        const WaitingCapture next = m_waitingCaptures.takeFirst();
        const CaptureService::Start start = CaptureService::start(next.action);
        tell(next.answer, start);
        if (start != CaptureService::Start::started) openHeldWindow();
        // One start a turn: the next waits for this one's grab.
        if (start == CaptureService::Start::started) break;
    }
    if (m_waitingCaptures.isEmpty()) m_busySince.invalidate();
    else if (!m_captureTimer->isActive()) m_captureTimer->start();
}

namespace {

// Ends the event loop whatever windows are up. QApplication::quit first closes every window and gives
// the end up while one stays on the screen (a notice fading out, a window that shows itself again), so
// a quit asked for then would never come; the windows go with the process.
void endEventLoop() { QCoreApplication::exit(0); }

} // namespace

void PelicartaApp::quit() {
    if (m_quitting) return;
    m_quitting = true;
    for (const WaitingCapture &waiting : std::exchange(m_waitingCaptures, {}))
        if (waiting.answer) waiting.answer->refuse(refusalText(CaptureService::Start::refusedQuitting));
    if (m_tray) m_tray->hide();
    // Every capture already started is kept: the event loop turns until each has been handed to the
    // recents store (which finishes its writes as the loop ends), as long as they keep ending.
    CaptureService::beginQuitting();
    if (CaptureService::isSettled()) return endEventLoop();
    connect(&CaptureService::events(), &CaptureService::Events::settled, this, &endEventLoop);
    QTimer::singleShot(kLongestSettleMs, this, [] {
        qCWarning(lcApp, "quitting with captures still on their way");
        endEventLoop();
    });
}
