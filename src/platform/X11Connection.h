#pragma once

// Private to src/platform: the only header outside .cpp files that includes xcb.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// A reply of xcb, freed with free().
template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> xcbReply(T *reply) {
    return XcbReply<T>(reply, &std::free);
}

// A connection to the X server: Qt's own when the GUI runs on xcb (so our windows and the server's
// view of them agree), else one of our own to the named display or $DISPLAY.
class X11Connection {
public:
    // None when no X server can be reached; `reason` then says why.
    static std::shared_ptr<X11Connection> open(const QByteArray &displayName, QString *reason);
    ~X11Connection();
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    xcb_connection_t *connection() const { return m_connection; }
    xcb_window_t root() const { return m_screen->root; }
    const xcb_screen_t *screen() const { return m_screen; }
    bool sharedWithQt() const { return !m_owned; }
    // Still usable (the server may have gone away since).
    bool alive() const { return xcb_connection_has_error(m_connection) == 0; }

    xcb_atom_t atom(const char *name);
    // The name of an atom, asked of the server once. Any thread.
    QString atomName(xcb_atom_t atom);

    // Pixels per point: the GUI's device pixel ratio when Qt runs on this server, else 1.
    double scale() const { return m_scale; }

    // Bits per pixel the server uses for images of the given depth (0 when unknown).
    int bitsPerPixel(int depth) const;
    bool imageLsbFirst() const;

    bool hasComposite() const { return m_composite; }
    bool hasRandr15() const { return m_randr15; }
    bool hasShm() const { return m_shm; }

    // A property's 32-bit values, read now; none when it is absent or of another format or type.
    std::optional<std::vector<quint32>> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);

    // Parsing of a property reply already received (null when the request failed), for callers that
    // send many requests before waiting for the first answer.
    // The 32-bit values; none when absent, of another format, or (unless `type` is any) of another type.
    static std::optional<std::vector<quint32>> values32(const xcb_get_property_reply_t *reply,
                                                        xcb_atom_t type = XCB_GET_PROPERTY_TYPE_ANY);
    // The 8-bit value (a text); empty when absent or of another format.
    static QByteArray text(const xcb_get_property_reply_t *reply);
    // A _NET_WM_PID: the first 32-bit value.
    static std::optional<qint32> processID(const xcb_get_property_reply_t *reply);

private:
    X11Connection(xcb_connection_t *connection, xcb_screen_t *screen, bool owned);

    xcb_connection_t *m_connection;
    xcb_screen_t *m_screen;
    bool m_owned;
    double m_scale = 1;
    bool m_composite = false;
    bool m_randr15 = false;
    bool m_shm = false;
    QHash<QByteArray, xcb_atom_t> m_atoms;
    std::mutex m_atomNamesMutex;
    QHash<xcb_atom_t, QString> m_atomNames;
};

} // namespace platform
