#include "platform/X11WindowQueries.h"

#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QThread>
#include <QWindow>

#include <xcb/randr.h>
#include <xcb/res.h>

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace platform {

namespace {

constexpr quint32 XCB_ICCCM_WM_STATE_ICONIC = 3;

} // namespace

QRectF toPoints(const QRect &pixels, double scale) {
    return QRectF(pixels.x() / scale, pixels.y() / scale, pixels.width() / scale, pixels.height() / scale);
}

X11WindowQueries::X11WindowQueries(X11Connection &x) : m_x(&x) {}

xcb_window_t X11WindowQueries::windowManager() {
    const xcb_atom_t check = m_x->atom("_NET_SUPPORTING_WM_CHECK");
    const auto namesItself = [&](xcb_window_t window) {
        const auto onChild = m_x->cardinals(window, check, XCB_ATOM_WINDOW);
        return onChild && !onChild->empty() && onChild->front() == window;
    };
    // The check window found last time goes with its manager: while it still names itself, one
    // question to the server does instead of two.
    if (m_windowManager != XCB_WINDOW_NONE && namesItself(m_windowManager)) return m_windowManager;
    m_windowManager = XCB_WINDOW_NONE;
    const auto onRoot = m_x->cardinals(m_x->root(), check, XCB_ATOM_WINDOW);
    if (!onRoot || onRoot->empty() || !namesItself(onRoot->front())) return XCB_WINDOW_NONE;
    m_windowManager = onRoot->front();
    return m_windowManager;
}

std::vector<X11Monitor> X11WindowQueries::monitors() {
    std::vector<X11Monitor> result;
    xcb_connection_t *c = m_x->connection();
    if (m_x->hasRandr15()) {
        auto reply = xcbReply(xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_x->root(), 1), nullptr));
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
                 xcb_randr_monitor_info_next(&it)) {
                const xcb_randr_monitor_info_t *info = it.data;
                if (info->width == 0 || info->height == 0) continue;
                X11Monitor m;
                const int outputs = xcb_randr_monitor_info_outputs_length(info);
                m.id = outputs > 0 ? xcb_randr_monitor_info_outputs(info)[0] : info->name;
                m.pixels = QRect(info->x, info->y, info->width, info->height);
                m.name = m_x->atomName(info->name);
                m.primary = info->primary != 0;
                result.push_back(m);
            }
        }
    }
    if (result.empty()) {
        const xcb_screen_t *s = m_x->screen();
        result.push_back({s->root, QRect(0, 0, s->width_in_pixels, s->height_in_pixels), QString(), true});
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const X11Monitor &a, const X11Monitor &b) { return a.primary && !b.primary; });
    return result;
}

std::vector<xcb_window_t> X11WindowQueries::clientList(bool *managed) {
    *managed = windowManager() != XCB_WINDOW_NONE;
    if (*managed) {
        auto list = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
        if (!list) list = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
        if (list) return {list->begin(), list->end()};
    }
    *managed = false;
    std::vector<xcb_window_t> result;
    for (const X11TopLevel &t : topLevels()) {
        if (t.viewable) result.push_back(t.window);
    }
    return result;
}

std::vector<X11TopLevel> X11WindowQueries::topLevels() {
    xcb_connection_t *c = m_x->connection();
    std::vector<X11TopLevel> result;
    auto tree = xcbReply(xcb_query_tree_reply(c, xcb_query_tree(c, m_x->root()), nullptr));
    if (!tree) return result;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes(static_cast<size_t>(count));
    std::vector<xcb_get_geometry_cookie_t> geometries(static_cast<size_t>(count));
    std::vector<xcb_get_property_cookie_t> pids(static_cast<size_t>(count));
    const xcb_atom_t pidAtom = m_x->atom("_NET_WM_PID");
    for (int i = 0; i < count; ++i) {
        attributes[size_t(i)] = xcb_get_window_attributes(c, children[i]);
        geometries[size_t(i)] = xcb_get_geometry(c, children[i]);
        pids[size_t(i)] = xcb_get_property(c, 0, children[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1);
    }
    for (int i = 0; i < count; ++i) {
        auto a = xcbReply(xcb_get_window_attributes_reply(c, attributes[size_t(i)], nullptr));
        auto g = xcbReply(xcb_get_geometry_reply(c, geometries[size_t(i)], nullptr));
        auto pid = xcbReply(xcb_get_property_reply(c, pids[size_t(i)], nullptr));
        if (!a || !g || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY) continue;
        const int border = g->border_width;
        X11TopLevel t{children[i], QRect(g->x, g->y, g->width + 2 * border, g->height + 2 * border), g->depth,
                      a->map_state == XCB_MAP_STATE_VIEWABLE, std::nullopt};
        t.pid = X11Connection::processID(pid.get());
        result.push_back(t);
    }
    return result;
}

X11TopLevel X11WindowQueries::topLevelOf(xcb_window_t window) {
    xcb_connection_t *c = m_x->connection();
    const xcb_window_t current = rootChildrenOf({window}).front();
    if (current == XCB_WINDOW_NONE) return {};
    const auto attributesCookie = xcb_get_window_attributes(c, current);
    auto g = xcbReply(xcb_get_geometry_reply(c, xcb_get_geometry(c, current), nullptr));
    auto a = xcbReply(xcb_get_window_attributes_reply(c, attributesCookie, nullptr));
    if (!g || !a) return {};
    const int border = g->border_width;
    return {current, QRect(g->x, g->y, g->width + 2 * border, g->height + 2 * border), g->depth,
            a->map_state == XCB_MAP_STATE_VIEWABLE, std::nullopt};
}

std::vector<xcb_window_t> X11WindowQueries::rootChildrenOf(const std::vector<xcb_window_t> &windows) {
    xcb_connection_t *c = m_x->connection();
    const xcb_window_t root = m_x->root();
    std::vector<xcb_window_t> result(windows.size(), XCB_WINDOW_NONE);
    std::vector<xcb_window_t> current = windows;
    std::vector<size_t> climbing; // those whose parent is not known yet
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i] != XCB_WINDOW_NONE && windows[i] != root) climbing.push_back(i);
    for (int depth = 0; depth < 64 && !climbing.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        cookies.reserve(climbing.size());
        for (size_t i : climbing) cookies.push_back(xcb_query_tree(c, current[i]));
        std::vector<size_t> next;
        for (size_t k = 0; k < climbing.size(); ++k) {
            const size_t i = climbing[k];
            auto tree = xcbReply(xcb_query_tree_reply(c, cookies[k], nullptr));
            if (!tree || tree->parent == XCB_WINDOW_NONE) continue; // gone
            if (tree->parent == root) {
                result[i] = current[i];
            } else {
                current[i] = tree->parent;
                next.push_back(i);
            }
        }
        climbing = std::move(next);
    }
    return result;
}

std::optional<qint32> X11WindowQueries::processOf(xcb_window_t window) {
    xcb_connection_t *c = m_x->connection();
    const auto cookie = xcb_get_property(c, 0, window, m_x->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1);
    if (auto pid = X11Connection::processID(xcbReply(xcb_get_property_reply(c, cookie, nullptr)).get())) return pid;
    return creatorProcess(window);
}

std::optional<qint32> X11WindowQueries::creatorProcess(xcb_window_t window) {
    xcb_connection_t *c = m_x->connection();
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(c, &xcb_res_id);
    if (!extension || !extension->present) return std::nullopt;
    const xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto reply = xcbReply(xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &spec), nullptr));
    if (!reply) return std::nullopt;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0; xcb_res_client_id_value_next(&it)) {
        if (!(it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)) continue;
        if (xcb_res_client_id_value_value_length(it.data) < 1) continue;
        const quint32 pid = *xcb_res_client_id_value_value(it.data);
        if (pid > 0 && pid <= quint32(std::numeric_limits<qint32>::max())) return qint32(pid);
    }
    return std::nullopt;
}

std::vector<X11TopLevel> X11WindowQueries::ownTopLevels(const std::vector<X11TopLevel> &levels,
                                                        std::vector<std::pair<QWindow *, xcb_window_t>> *shown) {
    const qint32 ownPID = static_cast<qint32>(::getpid());
    QSet<xcb_window_t> own;
    for (const X11TopLevel &t : levels) {
        if (t.pid == ownPID) own.insert(t.window);
    }
    // Our clients sit in frames, and so may Qt's windows: their root children are asked for at once.
    std::vector<xcb_window_t> held;
    if (windowManager() != XCB_WINDOW_NONE) {
        const auto clients = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
        xcb_connection_t *c = m_x->connection();
        std::vector<xcb_get_property_cookie_t> cookies;
        for (quint32 client : clients.value_or(std::vector<quint32>())) {
            cookies.push_back(xcb_get_property(c, 0, client, m_x->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1));
        }
        for (size_t i = 0; i < cookies.size(); ++i) {
            auto reply = xcbReply(xcb_get_property_reply(c, cookies[i], nullptr));
            if (X11Connection::processID(reply.get()) == ownPID) held.push_back(clients->at(i));
        }
    }
    // A window the manager is framing can be on screen before it is in the client list; Qt knows it.
    const size_t clients = held.size();
    QList<QWindow *> visible;
    if (m_x->sharedWithQt() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        for (QWindow *w : QGuiApplication::topLevelWindows()) {
            if (!w->isVisible() || !w->handle()) continue;
            visible.append(w);
            held.push_back(xcb_window_t(w->winId()));
        }
    }
    const std::vector<xcb_window_t> tops = rootChildrenOf(held);
    for (xcb_window_t top : tops) own.insert(top);
    if (shown) {
        shown->clear();
        for (qsizetype i = 0; i < visible.size(); ++i) shown->emplace_back(visible[i], tops[clients + size_t(i)]);
    }
    std::vector<X11TopLevel> result;
    for (const X11TopLevel &t : levels) {
        if (own.contains(t.window)) result.push_back(t);
    }
    return result;
}

std::optional<WindowDescription> X11WindowQueries::describe(xcb_window_t client) {
    xcb_connection_t *c = m_x->connection();
    auto property = [&](const char *name, xcb_atom_t type) {
        return xcb_get_property(c, 0, client, m_x->atom(name), type, 0, 1024);
    };
    const xcb_atom_t utf8 = m_x->atom("UTF8_STRING");
    const auto attributesCookie = xcb_get_window_attributes(c, client);
    const auto pidCookie = property("_NET_WM_PID", XCB_ATOM_CARDINAL);
    const auto typeCookie = property("_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
    const auto opacityCookie = property("_NET_WM_WINDOW_OPACITY", XCB_ATOM_CARDINAL);
    const auto stateCookie = property("_NET_WM_STATE", XCB_ATOM_ATOM);
    const auto wmStateCookie = property("WM_STATE", m_x->atom("WM_STATE"));
    const auto classCookie = property("WM_CLASS", XCB_ATOM_STRING);
    const auto netNameCookie = property("_NET_WM_NAME", utf8);
    const auto nameCookie = property("WM_NAME", XCB_GET_PROPERTY_TYPE_ANY);

    auto attributes = xcbReply(xcb_get_window_attributes_reply(c, attributesCookie, nullptr));
    auto get = [&](xcb_get_property_cookie_t cookie) { return xcbReply(xcb_get_property_reply(c, cookie, nullptr)); };
    auto pid = get(pidCookie);
    auto type = get(typeCookie);
    auto opacity = get(opacityCookie);
    auto state = get(stateCookie);
    auto wmState = get(wmStateCookie);
    auto wmClass = get(classCookie);
    auto netName = get(netNameCookie);
    auto name = get(nameCookie);
    if (!attributes) return std::nullopt;

    auto values32 = [](const XcbReply<xcb_get_property_reply_t> &r) {
        return X11Connection::values32(r.get()).value_or(std::vector<quint32>());
    };
    auto text = [](const XcbReply<xcb_get_property_reply_t> &r) { return X11Connection::text(r.get()); };

    WindowDescription d;
    d.number = client;
    // Many X clients never set _NET_WM_PID; the server still knows which local process made the window.
    d.ownerPID = X11Connection::processID(pid.get());
    if (!d.ownerPID) d.ownerPID = creatorProcess(client);
    if (const auto v = values32(opacity); !v.empty()) d.alpha = double(v.front()) / double(0xffffffffu);
    d.layer = attributes->override_redirect ? 1000 : layerOf(values32(type));

    const QByteArray netTitle = text(netName);
    d.title = netTitle.isEmpty() ? QString::fromLocal8Bit(text(name)) : QString::fromUtf8(netTitle);
    const QList<QByteArray> classParts = text(wmClass).split('\0');
    if (classParts.size() >= 2 && !classParts.at(1).isEmpty()) d.ownerName = QString::fromLocal8Bit(classParts.at(1));
    if (d.ownerName.isEmpty() && d.ownerPID) d.ownerName = processName(*d.ownerPID);
    d.own = d.ownerPID == static_cast<qint32>(::getpid());

    const X11TopLevel frame = topLevelOf(client);
    if (frame.window == XCB_WINDOW_NONE) return std::nullopt;
    d.frame = toPoints(frame.pixels, m_x->scale());

    bool hidden = false;
    if (const auto v = values32(wmState); !v.empty()) hidden = v.front() == XCB_ICCCM_WM_STATE_ICONIC;
    const xcb_atom_t hiddenAtom = m_x->atom("_NET_WM_STATE_HIDDEN");
    for (quint32 a : values32(state)) hidden = hidden || a == hiddenAtom;
    const QRect screen(0, 0, m_x->screen()->width_in_pixels, m_x->screen()->height_in_pixels);
    d.onScreen =
        frame.viewable && attributes->map_state == XCB_MAP_STATE_VIEWABLE && !hidden && frame.pixels.intersects(screen);
    return d;
}

int X11WindowQueries::layerOf(const std::vector<quint32> &types) {
    for (quint32 t : types) {
        if (t == m_x->atom("_NET_WM_WINDOW_TYPE_NORMAL") || t == m_x->atom("_NET_WM_WINDOW_TYPE_DIALOG") ||
            t == m_x->atom("_NET_WM_WINDOW_TYPE_UTILITY"))
            return 0;
        if (t == m_x->atom("_NET_WM_WINDOW_TYPE_DESKTOP")) return -1;
        if (t == m_x->atom("_NET_WM_WINDOW_TYPE_DOCK")) return 20;
        // Other known types (menus, tooltips, splash screens, notifications, toolbars) float above.
        const QString name = m_x->atomName(t);
        if (name.startsWith(QLatin1String("_NET_WM_WINDOW_TYPE_"))) return 101;
    }
    return 0; // no type: a normal window (a transient one is a dialog)
}

QString X11WindowQueries::processName(qint32 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

void X11WindowQueries::askWindowManager(xcb_window_t window, const char *request, quint32 first, quint32 second) {
    // Source 2 (a pager): the window manager honours the request without focus-stealing checks.
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = m_x->atom(request);
    event.data.data32[0] = 2;
    event.data.data32[1] = first;
    event.data.data32[2] = second;
    xcb_send_event(m_x->connection(), 0, m_x->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

void X11WindowQueries::activate(xcb_window_t number) {
    xcb_connection_t *c = m_x->connection();
    if (windowManager() != XCB_WINDOW_NONE) {
        // Un-minimises the window too.
        askWindowManager(number, "_NET_ACTIVE_WINDOW", XCB_CURRENT_TIME, 0);
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        // Checked and dropped: a window that is not viewable yet refuses the focus, and the error
        // must not reach Qt's event queue when we share its connection.
        xcb_discard_reply(c, xcb_map_window_checked(c, number).sequence);
        xcb_discard_reply(c, xcb_configure_window_checked(c, number, XCB_CONFIG_WINDOW_STACK_MODE, &above).sequence);
        xcb_discard_reply(c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, number, XCB_CURRENT_TIME).sequence);
    }
    xcb_flush(c);
}

std::vector<xcb_window_t> X11WindowQueries::stackingOrder() {
    std::vector<xcb_window_t> order;
    if (windowManager() != XCB_WINDOW_NONE) {
        if (auto v = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW))
            order.assign(v->begin(), v->end());
    } else {
        for (const X11TopLevel &t : topLevels())
            if (t.viewable) order.push_back(t.window);
    }
    return order;
}

void X11WindowQueries::stackBelow(xcb_window_t window, xcb_window_t sibling) {
    xcb_connection_t *c = m_x->connection();
    if (windowManager() != XCB_WINDOW_NONE) {
        askWindowManager(window, "_NET_RESTACK_WINDOW", sibling, XCB_STACK_MODE_BELOW);
    } else {
        const uint32_t values[] = {sibling, XCB_STACK_MODE_BELOW};
        // Checked and dropped: a sibling gone meanwhile must not put an error in Qt's event queue.
        xcb_discard_reply(
            c, xcb_configure_window_checked(c, window, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values)
                   .sequence);
    }
    xcb_flush(c);
}

xcb_window_t X11WindowQueries::activeWindow() {
    xcb_window_t active = XCB_WINDOW_NONE;
    if (windowManager() != XCB_WINDOW_NONE) {
        if (auto v = m_x->cardinals(m_x->root(), m_x->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW); v && !v->empty())
            active = v->front();
    } else {
        xcb_connection_t *c = m_x->connection();
        if (auto focus = xcbReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)))
            active = topLevelOf(focus->focus).window;
    }
    return active;
}

std::optional<qint32> X11WindowQueries::activeProcess() {
    const xcb_window_t active = activeWindow();
    if (active == XCB_WINDOW_NONE) return std::nullopt;
    return processOf(active);
}

} // namespace platform
