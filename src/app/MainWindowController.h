#pragma once

#include "app/AppRouter.h"

#include <QObject>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <functional>
#include <optional>

#include "app/AppShellView.h"
class QWidget;
class QWindow;

namespace platform {
struct KeyEvent;
}

// How many main windows are open. On macOS this decides whether the application shows in the Dock;
// on Linux the count is kept for the same callers and nothing else changes.
namespace DockPresence {
int openWindows();
void windowOpened();
void windowClosed();
} // namespace DockPresence

// Owns the application's one main window (1240 × 800, at least 1000 × 660): creates it on first use,
// shows and raises it on a page, notices its closing, and keeps its frame under "PelicartaMainWindow".
// The window, its frame included, opens within a screen's available area: the remembered frame where it
// still fits, else the default size where it fits, else what fits down to the minimum. While the window is open its key monitor
// gives it the page keys (by key position) and hands every other key to the editor's key table when
// the editor page shows a capture, both only while the onboarding does not cover the window. Closing
// never quits the application. Main thread only.
class MainWindowController : public QObject {
    Q_OBJECT
public:
    // The editor's key table: true when it used the key.
    using KeyTable = std::function<bool(const platform::KeyEvent &, EditorModel &)>;

    static MainWindowController &shared();
    explicit MainWindowController(QObject *parent = nullptr);
    ~MainWindowController() override;

    // With a page, switches the router to it first (so a new window shows it from its first frame);
    // none keeps the current page. Then shows, raises and activates the window; a closed window that
    // is to show a capture's page still being made shows once the page is whole.
    void show(std::optional<AppRouter::Page> page = std::nullopt);
    QWidget *window() const { return m_window; }
    bool isOpen() const { return m_isOpen; }

    // Before a grab whose capture goes to the editor: the window the grab takes off the screen stays
    // off until the new capture's page is whole in it, so it comes back once, on that page, instead of
    // painting the previous capture and then the new one. `releaseHold` brings a window still held (the
    // capture failed or went elsewhere) back as it was, without taking the keyboard it did not have.
    void holdForCapture();
    void releaseHold();

    // Called by the window as it closes: removes the key monitor, detaches the colour panel, counts
    // the window out and saves its frame. A second call changes nothing.
    void windowWillClose();

    // The page keys, then the editor's key table: whether the key was used (it is then swallowed).
    // ⌃⌘S toggles the sidebar; ⌘1 … ⌘5 show their page (⌘2 only with a capture open); key-ups are
    // never page keys. While the onboarding covers the window, no key is used here.
    bool handle(const platform::KeyEvent &event);
    // Replaces the editor's key table (tests); empty restores EditorKeyHandler::handle.
    void setEditorKeyTable(KeyTable table);

    // The window's frame was moved or resized: saved shortly after the last change.
    void frameChanged();
    // Writes the frame now (at quit).
    void saveFrame();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeWindow();
    // The window manager has framed the window, or framed it anew: placed again with its real frame.
    void frameExtentsChanged(QWindow *handle);
    void installKeyMonitor();
    void preparePixels();
    void removeKeyMonitor();
    bool takeHeld();

    QPointer<QWidget> m_window;
    QPointer<AppShellView> m_shell;
    QPointer<QObject> m_keyMonitor; // the window handle the monitor filters, while installed
    bool m_isOpen = false;
    bool m_showWhenSettled = false; // asked to show while the editor page is being made
    bool m_held = false;            // kept off the screen after a grab (holdForCapture)
    bool m_heldWasActive = false;
    std::optional<QMargins> m_frame;    // the window manager's frame around the window, as it last said
    std::optional<QRect> m_remembered;  // the frame saved by an earlier run, as the window was made
    bool m_firstFraming = false;        // made and not yet framed by the window manager
    QRect m_guessed;                    // where it was put as it was made, its frame guessed
    KeyTable m_keyTable;
    QTimer m_frameSave;
};
