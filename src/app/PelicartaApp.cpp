#include "app/PelicartaApp.h"

#include "app/AppWiring.h"
#include "app/MainWindowController.h"
#include "app/MenuBarView.h"
#include "capture/CaptureService.h"
#include "capture/HotkeyManager.h"
#include "core/DragFile.h"
#include "core/ShortcutStore.h"
#include "history/RecentsStore.h"
#include "platform/SingleInstance.h"
#include "platform/UserDefaults.h"
#include "widgets/Icons.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QThreadPool>
#include <QTimer>

PelicartaApp::PelicartaApp(platform::SingleInstance *instance, QObject *parent)
    : QObject(parent), m_captureTimer(new QTimer(this)) {
    m_captureTimer->setSingleShot(true);
    m_captureTimer->setInterval(50);
    connect(m_captureTimer, &QTimer::timeout, this, &PelicartaApp::startWaitingCapture);
    // The global hot keys work before any window exists; they register on the first event-loop turn.
    HotkeyManager::shared().start();
    if (instance) {
        connect(instance, &platform::SingleInstance::messageReceived, this, [this](const QStringList &message) {
            if (const auto command = AppCommand::fromMessage(message)) perform(*command);
        });
    }
}

PelicartaApp::~PelicartaApp() { delete m_menu; }

void PelicartaApp::launch() {
    // The stores exist from here on (recording must work from the first capture, before any page
    // shows the tutorials), and what they announce reaches the router and the main window.
    AppWiring::connectAll();

    m_menu = new MenuBarView(ShortcutStore::shared(), RecentsStore::shared(), platform::UserDefaults::standard(),
                             Greeting::systemSources());
    connect(m_menu, &MenuBarView::quitRequested, this, &PelicartaApp::quit);
    m_tray = new QSystemTrayIcon(Icons::trayIcon(), this);
    m_tray->setToolTip(QStringLiteral("Pelicarta"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
            m_menu->toggle(m_tray->geometry());
    });
    m_tray->show();

    MainWindowController::shared().show(AppRouter::Page::home);

    // Files dragged out on earlier days have long been read by the programs that took them.
    QThreadPool::globalInstance()->start(
        [] { DragFile::removeOldFolders(QDir::tempPath(), QDateTime::currentDateTime()); });
}

void PelicartaApp::reopen() { MainWindowController::shared().show(); }

void PelicartaApp::perform(const AppCommand &command) {
    switch (command.kind) {
    case AppCommand::Kind::show: reopen(); break;
    case AppCommand::Kind::capture:
        // Launches that come together are carried out one after the other: a request arriving while a
        // grab is being made waits for it instead of being dropped. Once an overlay is up, the user is
        // choosing, and a start is ignored as a hot key's would be.
        m_waitingCaptures.append(command.action);
        startWaitingCapture();
        break;
    case AppCommand::Kind::quit: quit(); break;
    case AppCommand::Kind::help: break; // a launch prints it and never hands it on
    }
}

void PelicartaApp::startWaitingCapture() {
    if (m_waitingCaptures.isEmpty()) return;
    if (!CaptureService::isBusy()) CaptureService::start(m_waitingCaptures.takeFirst());
    if (!m_waitingCaptures.isEmpty() && !m_captureTimer->isActive()) m_captureTimer->start();
}

void PelicartaApp::quit() {
    if (m_tray) m_tray->hide();
    QApplication::quit();
}
