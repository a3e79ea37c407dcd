#pragma once

#include "app/AppRouter.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QWidget;

// How many main windows are open. On macOS this decides whether the application shows in the Dock;
// on Linux the count is kept for the same callers and nothing else changes.
namespace DockPresence {
int openWindows();
void windowOpened();
void windowClosed();
} // namespace DockPresence

// Owns the application's one main window: creates it on first use, shows and raises it on a page,
// notices its closing. Closing never quits the application. Main thread only.
class MainWindowController : public QObject {
    Q_OBJECT
public:
    static MainWindowController &shared();
    explicit MainWindowController(QObject *parent = nullptr);
    ~MainWindowController() override;

    // With a page, switches the router to it first (so a new window shows it from its first frame);
    // none keeps the current page. Then shows, raises and activates the window.
    void show(std::optional<AppRouter::Page> page = std::nullopt);
    QWidget *window() const { return m_window; }
    bool isOpen() const { return m_isOpen; }

    // Called by the window as it closes.
    void windowWillClose();

signals:
    void openChanged(bool open);

private:
    QWidget *makeWindow();

    QPointer<QWidget> m_window;
    bool m_isOpen = false;
};
