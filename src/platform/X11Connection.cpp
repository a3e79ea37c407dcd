#include "platform/X11Connection.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/composite.h>
#include <xcb/randr.h>
#ifdef PELICARTA_HAVE_XCB_SHM
#include <xcb/shm.h>
#endif

namespace platform {

namespace {

xcb_screen_t *screenNumber(xcb_connection_t *c, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == number) return it.data;
    }
    return nullptr;
}

xcb_connection_t *qtConnection() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

std::shared_ptr<X11Connection> X11Connection::open(const QByteArray &displayName, QString *reason) {
    xcb_connection_t *c = displayName.isEmpty() ? qtConnection() : nullptr;
    bool owned = false;
    int number = 0;
    if (!c) {
        if (displayName.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")) {
            if (reason) *reason = QStringLiteral("Não há servidor X nesta sessão (DISPLAY não está definido).");
            return nullptr;
        }
        c = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &number);
        owned = true;
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            if (reason) *reason = QStringLiteral("Não consegui conectar ao servidor X.");
            return nullptr;
        }
    }
    xcb_screen_t *screen = screenNumber(c, number);
    if (!screen) {
        if (owned) xcb_disconnect(c);
        if (reason) *reason = QStringLiteral("Não consegui conectar ao servidor X.");
        return nullptr;
    }
    return std::shared_ptr<X11Connection>(new X11Connection(c, screen, owned));
}

X11Connection::X11Connection(xcb_connection_t *connection, xcb_screen_t *screen, bool owned)
    : m_connection(connection), m_screen(screen), m_owned(owned) {
    if (!owned && qGuiApp && qGuiApp->primaryScreen()) m_scale = qGuiApp->primaryScreen()->devicePixelRatio();

    const auto compositeCookie = xcb_composite_query_version(m_connection, 0, 4);
    const auto randrCookie = xcb_randr_query_version(m_connection, 1, 5);
    if (auto reply = xcbReply(xcb_composite_query_version_reply(m_connection, compositeCookie, nullptr))) {
        m_composite = reply->major_version > 0 || reply->minor_version >= 2; // named pixmaps need 0.2
    }
    if (auto reply = xcbReply(xcb_randr_query_version_reply(m_connection, randrCookie, nullptr))) {
        m_randr15 = reply->major_version > 1 || (reply->major_version == 1 && reply->minor_version >= 5);
    }
#ifdef PELICARTA_HAVE_XCB_SHM
    // Shared memory only helps a server on this machine; a remote one fails the attach and is read
    // through the socket instead.
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(m_connection, &xcb_shm_id);
    m_shm = shm && shm->present;
#endif
}

X11Connection::~X11Connection() {
    if (m_owned) xcb_disconnect(m_connection);
}

xcb_atom_t X11Connection::atom(const char *name) {
    const QByteArray key(name);
    if (auto it = m_atoms.constFind(key); it != m_atoms.constEnd()) return *it;
    auto reply = xcbReply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(key.size()), key.constData()), nullptr));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (atom != XCB_ATOM_NONE) m_atoms.insert(key, atom);
    return atom;
}

QString X11Connection::atomName(xcb_atom_t atom) {
    // An atom names the same thing for as long as the server runs: each is asked for once.
    {
        std::lock_guard lock(m_atomNamesMutex);
        if (const auto known = m_atomNames.constFind(atom); known != m_atomNames.cend()) return *known;
    }
    auto reply = xcbReply(xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr));
    if (!reply) return {};
    const QString name =
        QString::fromUtf8(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
    std::lock_guard lock(m_atomNamesMutex);
    m_atomNames.insert(atom, name);
    return name;
}

int X11Connection::bitsPerPixel(int depth) const {
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it)) {
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    }
    return 0;
}

bool X11Connection::imageLsbFirst() const {
    return xcb_get_setup(m_connection)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
}

std::optional<std::vector<quint32>> X11Connection::cardinals(xcb_window_t window, xcb_atom_t property,
                                                             xcb_atom_t type) {
    auto reply = xcbReply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 4096), nullptr));
    return values32(reply.get(), type);
}

std::optional<std::vector<quint32>> X11Connection::values32(const xcb_get_property_reply_t *reply, xcb_atom_t type) {
    if (!reply || reply->format != 32) return std::nullopt;
    if (type != XCB_GET_PROPERTY_TYPE_ANY && reply->type != type) return std::nullopt;
    // xcb_get_property_value_length counts bytes.
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
    return std::vector<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
}

QByteArray X11Connection::text(const xcb_get_property_reply_t *reply) {
    if (!reply || reply->format != 8) return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
}

std::optional<qint32> X11Connection::processID(const xcb_get_property_reply_t *reply) {
    const auto values = values32(reply);
    if (!values || values->empty()) return std::nullopt;
    return static_cast<qint32>(values->front());
}

} // namespace platform
