#pragma once

#include "platform/SharedService.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class QWindow;

namespace platform {

// One monitor of the desktop. Geometry is in global points: origin at the top-left corner of the
// X screen (the root window), y downwards; points are X pixels divided by the desktop's scale.
struct DisplayDescription {
    quint32 id = 0;   // stable for the life of the X server (the RandR output)
    QRectF bounds;    // global points
    double scale = 1; // pixels per point
    QString name;     // the output's name ("HDMI-1"), as QScreen::name() gives it
    bool primary = false;
};

// One top-level window as the window manager knows it.
struct WindowDescription {
    quint32 number = 0; // the client window
    QRectF frame;       // global points, decorations included
    QString title;
    QString ownerName;              // the application's name (WM_CLASS class, else the process name)
    std::optional<qint32> ownerPID; // _NET_WM_PID
    std::optional<double> alpha;    // _NET_WM_WINDOW_OPACITY as 0…1, when set
    // 0 for the windows a user works in (normal, dialog, utility); other values for docks,
    // desktops, menus, tooltips and override-redirect windows.
    int layer = 0;
    bool onScreen = false; // mapped, not minimised, on the current desktop
    bool own = false;      // one of this process's windows
};

// What an image request gave.
struct ScreenGrab {
    enum class Status { ok, gone, failed };
    Status status = Status::failed;
    QImage image;          // full pixel resolution; null when nothing could be read
    bool onScreen = false; // for windows: the window was visible when read
    QString error;         // why, when status is failed: a Portuguese text key for L()
};

// Displays, windows and their pixels. Every call is synchronous and answers from the display
// server at the time of the call. Not thread-safe: use one instance from the GUI thread.
// The shared one is the X11 one, connected anew on the next use after the server could not be reached
// or went away.
class ScreenServices : public SharedService<ScreenServices> {
public:
    enum class WindowScope { onScreen, all };

    virtual ~ScreenServices() = default;

    // False without a display server; every other call then answers empty or with `unavailableReason`.
    virtual bool connected() const = 0;
    virtual QString unavailableReason() const = 0; // a Portuguese text key for L()
    // Whether the user must grant this program leave to read the screen (as a desktop portal asks). X11
    // lets every client read it: no.
    virtual bool needsPermission() const { return false; }

    // The primary display first.
    virtual QList<DisplayDescription> displays() = 0;
    virtual std::optional<QPointF> pointerPosition() = 0;

    // Front-most first. Windows without a window manager: the root's mapped, named children.
    virtual QList<WindowDescription> windows(WindowScope scope) = 0;
    // One window by number, on screen or not; none when it no longer exists.
    virtual std::optional<WindowDescription> window(quint32 number) = 0;

    // The whole display without this process's windows and without the pointer. Windows of ours that
    // show are taken off the screen for the read, which then waits until what they covered has been
    // repainted, and come back after it (unless they stay hidden after grabs, below); with none
    // showing the display is read at once.
    virtual ScreenGrab displayImage(quint32 displayID) = 0;
    // Several displays, as `displayImage` reads each, with our windows taken away only once.
    virtual QList<ScreenGrab> displayImages(const QList<quint32> &displayIDs);
    // The same with the pixels read on a thread of their own, so that the GUI thread stays free
    // meanwhile (a 4K screen is tens of megabytes to copy). The displays are frozen as they are when
    // the read runs, right after this call. `done` runs on the GUI thread, always after this call has
    // returned, unless `context` is gone by then. This base version reads at once.
    using GrabsCallback = std::function<void(QList<ScreenGrab>)>;
    virtual void displayImagesLater(const QList<quint32> &displayIDs, QObject *context, GrabsCallback done);
    // One window's own pixels, decorations included, even where other windows cover it.
    virtual ScreenGrab windowImage(quint32 number) = 0;

    virtual qint32 ownProcessID() const = 0;
    virtual bool isRunning(qint32 pid) = 0;
    // Un-minimises, raises and focuses the window (asking the window manager when there is one).
    virtual bool activateWindow(quint32 number) = 0;
    // Activates the front-most window of the process.
    virtual bool activateApplication(qint32 pid) = 0;
    // The process of the active window.
    virtual std::optional<qint32> frontmostApplication() = 0;
    // The frame of the active window, in global points; none when no window is active.
    virtual std::optional<QRectF> activeWindowFrame() { return std::nullopt; }

    // Waits until no read of `displayImagesLater` runs any more, for at most `ms` milliseconds;
    // whether none does. Before the application object goes: a read still running uses the shared
    // pool and the display connection, which go with it.
    static bool waitForReads(int ms);
};

template <>
ScreenServices &SharedService<ScreenServices>::real();

// Whether a window of ours that a grab takes off the screen stays off after the read instead of coming
// back: for a window that what the grab is for will replace or reuse, which would otherwise be shown
// only to be hidden again. Its owner shows it again when that does not happen. False by default.
void setStaysHiddenAfterGrab(QWindow *window, bool stays);
bool staysHiddenAfterGrab(const QWindow *window);
// Such a window whose owner allows it (setMayStayMappedAfterGrab) may stay mapped, only left out of the
// screen's picture where the display server allows it: Qt keeps counting it shown and painting it.
// Its owner then brings it back, as painted meanwhile, with bringBackAfterGrab instead of showing it;
// that returns false, doing nothing, for any window not kept so.
void setMayStayMappedAfterGrab(QWindow *window, bool may);
bool keptOffScreenAfterGrab(const QWindow *window);
bool bringBackAfterGrab(QWindow *window);

struct X11ScreenOptions {
    QByteArray displayName;   // empty: Qt's own connection when Qt runs on xcb, else $DISPLAY
    bool useComposite = true; // false forces the path servers without Composite take
};

std::shared_ptr<ScreenServices> createX11ScreenServices(const X11ScreenOptions &options = {});

} // namespace platform
