#include "app/PelicartaApp.h"

#include "app/AppWiring.h"
#include "app/MainWindowController.h"
#include "app/TrayMenu.h"
#include "capture/CaptureService.h"
#include "capture/HotkeyManager.h"
#include "platform/SingleInstance.h"
#include "widgets/Icons.h"

#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>

PelicartaApp::PelicartaApp(platform::SingleInstance *instance, QObject *parent) : QObject(parent) {
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

    m_menu = new TrayMenu;
    connect(m_menu, &TrayMenu::quitRequested, this, &PelicartaApp::quit);
    m_tray = new QSystemTrayIcon(Icons::trayIcon(), this);
    m_tray->setToolTip(QStringLiteral("Pelicarta"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
            m_menu->popup(m_tray->geometry());
    });
    m_tray->show();

    MainWindowController::shared().show(AppRouter::Page::home);
}

void PelicartaApp::reopen() { MainWindowController::shared().show(); }

void PelicartaApp::perform(const AppCommand &command) {
    switch (command.kind) {
    case AppCommand::Kind::show: reopen(); break;
    case AppCommand::Kind::capture: CaptureService::start(command.action); break;
    case AppCommand::Kind::quit: quit(); break;
    case AppCommand::Kind::help: break; // a launch prints it and never hands it on
    }
}

void PelicartaApp::quit() {
    if (m_tray) m_tray->hide();
    QApplication::quit();
}
