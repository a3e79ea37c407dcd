#include "platform/FrameExtents.h"

#include "platform/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>

namespace platform {

namespace {

// Qt's own connection, where the GUI runs on X11: the window ids and property notices are its.
X11Connection *guiConnection() {
    static const std::shared_ptr<X11Connection> connection = [] {
        return QGuiApplication::platformName() == QLatin1String("xcb") ? X11Connection::open({}, nullptr) : nullptr;
    }();
    return connection && connection->sharedWithQt() ? connection.get() : nullptr;
}

// EWMH: the window manager keeps _NET_FRAME_EXTENTS (left, right, top, bottom) on each window it frames.
xcb_atom_t extentsAtom(X11Connection &connection) {
    static const xcb_atom_t atom = connection.atom("_NET_FRAME_EXTENTS");
    return atom;
}

// Qt asks for the property notices of every window it makes: they reach us among the GUI's events.
class ExtentsFilter final : public QAbstractNativeEventFilter {
public:
    ExtentsFilter(xcb_atom_t atom, FrameExtentsWatch *watch) : m_atom(atom), m_watch(watch) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (notify->atom != m_atom) return false;
        for (QWindow *window : QGuiApplication::allWindows()) {
            // handle() first: winId() would make a native window for one that has none.
            if (!window->handle() || window->winId() != notify->window) continue;
            // Told after Qt is done with this event, so that the window's own view of its frame agrees.
            QMetaObject::invokeMethod(
                m_watch,
                [watch = m_watch, window = QPointer<QWindow>(window)] {
                    if (window) emit watch->changed(window);
                },
                Qt::QueuedConnection);
            break;
        }
        return false; // Qt reads the property too
    }

private:
    xcb_atom_t m_atom;
    FrameExtentsWatch *m_watch;
};

} // namespace

std::optional<QMargins> frameExtents(const QWindow *window) {
    X11Connection *connection = guiConnection();
    if (!connection || !window || !window->handle()) return std::nullopt;
    const std::optional<std::vector<quint32>> values =
        connection->cardinals(xcb_window_t(window->winId()), extentsAtom(*connection), XCB_ATOM_CARDINAL);
    if (!values || values->size() < 4) return std::nullopt;
    // The server counts device pixels; the window's geometry is in its own.
    const qreal ratio = window->devicePixelRatio();
    const auto side = [ratio](quint32 pixels) { return qRound(qreal(pixels) / ratio); };
    return QMargins(side((*values)[0]), side((*values)[2]), side((*values)[1]), side((*values)[3]));
}

FrameExtentsWatch &FrameExtentsWatch::shared() {
    // Kept for the process, as its filter is.
    static auto *watch = new FrameExtentsWatch;
    return *watch;
}

FrameExtentsWatch::FrameExtentsWatch() {
    X11Connection *connection = guiConnection();
    if (!connection) return;
    const xcb_atom_t atom = extentsAtom(*connection);
    if (atom == XCB_ATOM_NONE) return;
    qGuiApp->installNativeEventFilter(new ExtentsFilter(atom, this));
}

} // namespace platform
