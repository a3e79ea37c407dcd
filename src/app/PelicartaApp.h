#pragma once

#include "app/AppCommand.h"

#include <QList>
#include <QObject>

class QSystemTrayIcon;
class QTimer;
class TrayMenu;

namespace platform {
class SingleInstance;
}

// The resident application: the tray icon with its panel, the main window at launch and on reopen,
// and the requests of later launches. It keeps running with no window open; only "Sair" (or a
// `--quit` request) ends it.
class PelicartaApp : public QObject {
    Q_OBJECT
public:
    // `instance` delivers the requests of later launches (may be null: none are taken).
    explicit PelicartaApp(platform::SingleInstance *instance, QObject *parent = nullptr);
    ~PelicartaApp() override;

    // Creates the stores that must exist before any view, shows the tray icon and opens the main
    // window on the home page.
    void launch();
    // A later launch, or a click on "Abrir Pelicarta": the main window on its current page.
    void reopen();
    // Carries out a request of this launch or of a later one.
    void perform(const AppCommand &command);
    void quit();

    QSystemTrayIcon *trayIcon() const { return m_tray; }
    TrayMenu *menu() const { return m_menu; }

private:
    void startWaitingCapture();

    QList<ShortcutAction> m_waitingCaptures;
    QTimer *m_captureTimer;
    QSystemTrayIcon *m_tray = nullptr;
    TrayMenu *m_menu = nullptr;
};
