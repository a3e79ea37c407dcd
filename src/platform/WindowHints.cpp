#include "platform/WindowHints.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

xcb_connection_t *guiConnection() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// EWMH: a compositing manager owns the selection _NET_WM_CM_S<screen>. Asked for once (an atom lasts as
// long as the server).
xcb_atom_t compositorSelection(xcb_connection_t *connection) {
    static const xcb_atom_t selection = [connection] {
        const QByteArray name = "_NET_WM_CM_S0"; // the one screen Qt uses
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
        const xcb_atom_t value = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(atom);
        return value;
    }();
    return selection;
}

// The server tells of each new owner of the selection, and of its owner going away, through XFixes; the
// notices arrive on Qt's connection, among the GUI's own events.
class SelectionOwnerFilter final : public QAbstractNativeEventFilter {
public:
    SelectionOwnerFilter(xcb_connection_t *connection, xcb_atom_t selection, CompositorWatch *watch)
        : m_selection(selection), m_watch(watch) {
        const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (!xfixes || !xfixes->present) return;
        // A client states the version it speaks before its first XFixes request.
        std::free(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_xfixes_select_selection_input(connection, root, selection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(connection);
        m_notifyType = std::uint8_t(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
        m_watching = true;
    }

    bool watching() const { return m_watching; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != m_notifyType) return false;
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->selection != m_selection) return false;
        // Told after this event is done with: the windows that answer ask the server again.
        QMetaObject::invokeMethod(m_watch, &CompositorWatch::changed, Qt::QueuedConnection);
        return true;
    }

private:
    xcb_atom_t m_selection;
    CompositorWatch *m_watch;
    std::uint8_t m_notifyType = 0;
    bool m_watching = false;
};

// The native window of a window that has one, without making one.
xcb_window_t nativeWindow(QWindow *window) {
    return window && window->handle() ? static_cast<xcb_window_t>(window->winId()) : xcb_window_t(XCB_WINDOW_NONE);
}

bool hasShapeExtension(xcb_connection_t *connection) {
    const xcb_query_extension_reply_t *shape = xcb_get_extension_data(connection, &xcb_shape_id);
    return shape && shape->present;
}

} // namespace

void showOnAllDesktops(QWindow *window) {
    xcb_connection_t *connection = guiConnection();
    if (!window || !connection) return;
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
    xcb_connection_t *connection = guiConnection();
    if (!connection) return true;
    // The owner is asked every time, as a compositor may come and go.
    const xcb_atom_t selection = compositorSelection(connection);
    if (selection == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool composited = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return composited;
}

void setInputRegion(QWindow *window, const QRegion &region) {
    xcb_connection_t *connection = guiConnection();
    const xcb_window_t native = nativeWindow(window);
    if (!connection || native == XCB_WINDOW_NONE || !hasShapeExtension(connection)) return;
    // The server counts device pixels; an edge between two of them goes to the nearer one.
    const qreal scale = window->devicePixelRatio();
    std::vector<xcb_rectangle_t> rectangles;
    rectangles.reserve(size_t(region.rectCount()));
    for (const QRect &r : region) {
        const int left = int(std::lround(r.x() * scale)), top = int(std::lround(r.y() * scale));
        const int right = int(std::lround((r.x() + r.width()) * scale));
        const int bottom = int(std::lround((r.y() + r.height()) * scale));
        if (right > left && bottom > top)
            rectangles.push_back({int16_t(left), int16_t(top), uint16_t(right - left), uint16_t(bottom - top)});
    }
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, native, 0, 0,
                         uint32_t(rectangles.size()), rectangles.data());
    xcb_flush(connection);
}

std::optional<QRegion> inputRegion(QWindow *window) {
    xcb_connection_t *connection = guiConnection();
    const xcb_window_t native = nativeWindow(window);
    if (!connection || native == XCB_WINDOW_NONE || !hasShapeExtension(connection)) return std::nullopt;
    xcb_shape_get_rectangles_reply_t *reply = xcb_shape_get_rectangles_reply(
        connection, xcb_shape_get_rectangles(connection, native, XCB_SHAPE_SK_INPUT), nullptr);
    if (!reply) return std::nullopt;
    const qreal scale = window->devicePixelRatio();
    QRegion region;
    const xcb_rectangle_t *rectangles = xcb_shape_get_rectangles_rectangles(reply);
    for (int i = 0, n = xcb_shape_get_rectangles_rectangles_length(reply); i < n; ++i) {
        const xcb_rectangle_t &r = rectangles[i];
        region += QRect(
            QPoint(int(std::lround(r.x / scale)), int(std::lround(r.y / scale))),
            QPoint(int(std::lround((r.x + r.width) / scale)) - 1, int(std::lround((r.y + r.height) / scale)) - 1));
    }
    std::free(reply);
    return region;
}

CompositorWatch &CompositorWatch::shared() {
    // Kept for the process, as its filter is.
    static auto *watch = new CompositorWatch;
    return *watch;
}

CompositorWatch::CompositorWatch() {
    xcb_connection_t *connection = guiConnection();
    if (!connection) return;
    const xcb_atom_t selection = compositorSelection(connection);
    if (selection == XCB_ATOM_NONE) return;
    auto *filter = new SelectionOwnerFilter(connection, selection, this);
    if (filter->watching()) qGuiApp->installNativeEventFilter(filter);
    else delete filter;
}

} // namespace platform
