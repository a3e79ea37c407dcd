#pragma once

#include "app/AppCommand.h"
#include "platform/SingleInstance.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <memory>

class QSystemTrayIcon;
class MenuBarView;
class QTimer;

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
    // window on the home page. A launch that captures at once (`WindowOpens::afterTheCapture`) opens
    // it once that capture has come to its end, so that the window is never in the picture; one that
    // starts a recording (`WindowOpens::never`) leaves the screen to the program being documented.
    enum class WindowOpens { now, afterTheCapture, never };
    void launch(WindowOpens window = WindowOpens::now);
    // How the main window opens for a launch asking `command`.
    static WindowOpens windowOpensFor(const AppCommand &command);
    // A later launch, or a click on "Abrir Pelicarta": the main window on its current page.
    void reopen();
    // Carries out a request of this launch or of a later one; a capture request's `answer` (from a later
    // launch) learns whether it was started or why not.
    void perform(const AppCommand &command, std::shared_ptr<platform::SingleInstance::Answer> answer = nullptr);
    // Ends the application in order: no capture starts any more, those started are kept, then the event
    // loop ends. Once; later calls (a second `--quit`, a signal) change nothing.
    void quit();

private:
    void startWaitingCapture();
    void openHeldWindow();

    struct WaitingCapture {
        ShortcutAction action;
        std::shared_ptr<platform::SingleInstance::Answer> answer;
    };
    QList<WaitingCapture> m_waitingCaptures;
    QElapsedTimer m_busySince; // the capture service, while requests wait for it
    QTimer *m_captureTimer;
    QSystemTrayIcon *m_tray = nullptr;
    MenuBarView *m_menu = nullptr;
    bool m_quitting = false;
    bool m_windowHeld = false; // the first window waits for the launch's capture
};
