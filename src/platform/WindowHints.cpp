#include "platform/WindowHints.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace platform {

void showOnAllDesktops(QWindow *window) {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!window || !x11 || !x11->connection()) return;
    xcb_connection_t *connection = x11->connection();
    // Asked for once (an atom lasts as long as the server): a window shown again and again sets it anew
    // before every map without a round trip.
    static const xcb_atom_t desktop = [connection] {
        static const char name[] = "_NET_WM_DESKTOP";
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t found = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(atom);
        return found;
    }();
    if (desktop == XCB_ATOM_NONE) return;
    // EWMH: a window on desktop 0xFFFFFFFF shows on all of them; read by the window manager at map time.
    const quint32 allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()), desktop,
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    xcb_flush(connection);
}

bool translucentWindows() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return true;
    xcb_connection_t *connection = x11->connection();
    // EWMH: a compositing manager owns the selection _NET_WM_CM_S<screen>.
    // The atom is asked for once (it lasts as long as the server); the owner every time, as a
    // compositor may come and go.
    static const xcb_atom_t selection = [connection] {
        const QByteArray name = "_NET_WM_CM_S0"; // the one screen Qt uses
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
        const xcb_atom_t value = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(atom);
        return value;
    }();
    if (selection == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool composited = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return composited;
}

} // namespace platform
