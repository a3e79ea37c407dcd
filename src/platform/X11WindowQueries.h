#pragma once

// Private to src/platform.

#include "platform/ScreenServices.h"
#include "platform/X11Connection.h"

#include <QRect>
#include <QRectF>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class QWindow;

namespace platform {

// One monitor, in X pixels.
struct X11Monitor {
    quint32 id = 0;
    QRect pixels;
    QString name;
    bool primary = false;
};

// A child of the root window: a window manager's frame, an override-redirect window, or a client
// when no window manager runs.
struct X11TopLevel {
    xcb_window_t window = XCB_WINDOW_NONE;
    QRect pixels; // border included
    int depth = 0;
    bool viewable = false;
    std::optional<qint32> pid; // _NET_WM_PID on the window itself
};

// X pixels as global points of a desktop with `scale` pixels per point.
QRectF toPoints(const QRect &pixels, double scale);

// What the X server and the window manager say about monitors and windows (RandR, EWMH, the window
// tree), and bringing a window forward. No pixels: those are X11PixelReader's. Every call asks the
// server at the time of the call; the connection must be alive.
class X11WindowQueries {
public:
    explicit X11WindowQueries(X11Connection &x);

    // RandR's monitors, the primary first; the whole root window when RandR names none.
    std::vector<X11Monitor> monitors();
    // The window manager's check window, or none when no EWMH window manager runs.
    xcb_window_t windowManager();
    // Managed clients bottom to top (`managed` true); without a window manager, the root's mapped
    // children (`managed` false).
    std::vector<xcb_window_t> clientList(bool *managed);
    // Every child of the root, bottom to top.
    std::vector<X11TopLevel> topLevels();
    // The root's child that holds `window` (the window itself when it is one); window none when gone.
    X11TopLevel topLevelOf(xcb_window_t window);
    // The root's child holding each of `windows` (none for one that is gone), asked all at once: one
    // round trip per level of nesting, not per window.
    std::vector<xcb_window_t> rootChildrenOf(const std::vector<xcb_window_t> &windows);
    // Those of `levels` that show this process's windows: override-redirect windows (and clients,
    // without a window manager) carry our process id themselves; managed clients sit in a frame.
    // On the GUI thread, `shown` receives Qt's visible windows, each with the root child holding it.
    std::vector<X11TopLevel> ownTopLevels(const std::vector<X11TopLevel> &levels,
                                          std::vector<std::pair<QWindow *, xcb_window_t>> *shown = nullptr);
    // A client window as the window manager knows it; none when it no longer exists.
    std::optional<WindowDescription> describe(xcb_window_t client);

    // Un-minimises, raises and focuses a window: through the window manager when there is one, else
    // directly.
    void activate(xcb_window_t window);
    // The stacking order, bottom to top: the clients as the window manager stacks them when there is
    // one, else the root's viewable children.
    std::vector<xcb_window_t> stackingOrder();
    // Puts `window` right below `sibling`, without raising or focusing anything: through the window
    // manager when there is one, else directly.
    void stackBelow(xcb_window_t window, xcb_window_t sibling);
    // The active (else the focused) client window; none when there is none.
    xcb_window_t activeWindow();
    // The process of the active (else the focused) window.
    std::optional<qint32> activeProcess();

private:
    // A client message about `window` to the window manager, as a pager sends it, with two values.
    void askWindowManager(xcb_window_t window, const char *request, quint32 first, quint32 second);
    std::optional<qint32> processOf(xcb_window_t window);
    // The process of the X client that created `window`, from the X-Resource extension; none when the
    // server does not know it (a remote client, or no extension).
    std::optional<qint32> creatorProcess(xcb_window_t window);
    int layerOf(const std::vector<quint32> &types);
    static QString processName(qint32 pid);

    X11Connection *m_x;
    xcb_window_t m_windowManager = XCB_WINDOW_NONE; // the check window of the last answer
};

} // namespace platform
