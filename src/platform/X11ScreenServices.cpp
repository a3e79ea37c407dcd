#include "platform/ScreenServices.h"
#include "platform/X11Connection.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QSet>
#include <QThread>
#include <QWindow>

#include <xcb/composite.h>
#include <xcb/randr.h>
#ifdef PELICARTA_HAVE_XCB_SHM
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace platform {

namespace {

const QString kReadRefused = QStringLiteral("O servidor X recusou a leitura da tela.");
const QString kUnsupportedFormat = QStringLiteral("O formato de cor da tela não é suportado.");

struct Monitor {
    quint32 id = 0;
    QRect pixels;
    QString name;
    bool primary = false;
};

// A child of the root window: a window manager's frame, an override-redirect window, or a client
// when no window manager runs.
struct TopLevel {
    xcb_window_t window = XCB_WINDOW_NONE;
    QRect pixels; // border included
    int depth = 0;
    bool viewable = false;
    std::optional<qint32> pid; // _NET_WM_PID on the window itself
};

QRectF toPoints(const QRect &pixels, double scale) {
    return QRectF(pixels.x() / scale, pixels.y() / scale, pixels.width() / scale, pixels.height() / scale);
}

class X11ScreenServices final : public ScreenServices {
public:
    X11ScreenServices(std::shared_ptr<X11Connection> x, QString reason, bool useComposite)
        : m_x(std::move(x)), m_reason(std::move(reason)) {
        m_composite = useComposite && m_x && m_x->hasComposite();
        // Automatic redirection keeps the screen as it is while giving every top-level window a
        // pixmap of its own, so a covered window can be read whole. It lasts as long as the connection.
        if (m_composite) {
            xcb_composite_redirect_subwindows(m_x->connection(), m_x->root(), XCB_COMPOSITE_REDIRECT_AUTOMATIC);
            xcb_flush(m_x->connection());
        }
    }

    bool connected() const override { return m_x && m_x->alive(); }

    QString unavailableReason() const override {
        if (!m_x) return m_reason;
        return QStringLiteral("A conexão com o servidor X foi perdida.");
    }

    QList<DisplayDescription> displays() override {
        QList<DisplayDescription> result;
        if (!connected()) return result;
        for (const Monitor &m : monitors()) {
            result.append({m.id, toPoints(m.pixels, m_x->scale()), m_x->scale(), m.name, m.primary});
        }
        return result;
    }

    std::optional<QPointF> pointerPosition() override {
        if (!connected()) return std::nullopt;
        xcb_connection_t *c = m_x->connection();
        auto reply = xcbReply(xcb_query_pointer_reply(c, xcb_query_pointer(c, m_x->root()), nullptr));
        if (!reply) return std::nullopt;
        return QPointF(reply->root_x / m_x->scale(), reply->root_y / m_x->scale());
    }

    QList<WindowDescription> windows(WindowScope scope) override {
        QList<WindowDescription> result;
        if (!connected()) return result;
        bool managed = false;
        const std::vector<xcb_window_t> clients = clientList(&managed);
        for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
            std::optional<WindowDescription> d = describe(*it);
            if (!d) continue;
            if (!managed && d->title.isEmpty()) continue;
            if (scope == WindowScope::onScreen && !d->onScreen) continue;
            result.append(std::move(*d));
        }
        return result;
    }

    std::optional<WindowDescription> window(quint32 number) override {
        if (!connected()) return std::nullopt;
        return describe(number);
    }

    ScreenGrab displayImage(quint32 displayID) override {
        if (!connected()) return {ScreenGrab::Status::failed, {}, false, unavailableReason()};
        const std::vector<Monitor> all = monitors();
        const auto monitor = std::find_if(all.begin(), all.end(), [&](const Monitor &m) { return m.id == displayID; });
        if (monitor == all.end()) return {ScreenGrab::Status::gone, {}, false, {}};
        const QRect area = monitor->pixels;

        const auto ownOn = [this, &area](const std::vector<TopLevel> &levels) {
            std::vector<TopLevel> own;
            for (const TopLevel &t : ownTopLevels(levels)) {
                if (t.viewable && t.pixels.intersects(area)) own.push_back(t);
            }
            return own;
        };

        QString error;
        if (m_composite) {
            // Read first, then look for our windows: one that the window manager maps in between (the
            // main window of a launch that captures at once) is painted over all the same.
            QImage image = readImage(m_x->root(), area, m_x->screen()->root_depth, &error);
            const std::vector<TopLevel> levels = topLevels();
            const std::vector<TopLevel> own = ownOn(levels);
            if (!image.isNull() && !own.empty()) paintOverOwnWindows(image, area, levels, own);
            return grabOf(std::move(image), error, true);
        }
        const std::vector<TopLevel> own = ownOn(topLevels());
        if (own.empty()) {
            QImage image = readImage(m_x->root(), area, m_x->screen()->root_depth, &error);
            return grabOf(std::move(image), error, true);
        }

        // Without Composite the only way to see under our windows is to take them away for a moment.
        // They are hidden through Qt, as the window manager must see them go and come back.
        QList<QWindow *> hidden;
        for (QWindow *w : QGuiApplication::topLevelWindows()) {
            if (!w->isVisible() || !m_x->sharedWithQt()) continue;
            const xcb_window_t top = topLevelOf(xcb_window_t(w->winId())).window;
            if (std::any_of(own.begin(), own.end(), [&](const TopLevel &t) { return t.window == top; })) hidden.append(w);
        }
        for (QWindow *w : hidden) w->hide();
        sync();
        // The uncovered windows repaint in their own processes; give them a moment.
        QThread::msleep(60);
        QImage image = readImage(m_x->root(), area, m_x->screen()->root_depth, &error);
        for (QWindow *w : hidden) w->show();
        return grabOf(std::move(image), error, true);
    }

    ScreenGrab windowImage(quint32 number) override {
        if (!connected()) return {ScreenGrab::Status::failed, {}, false, unavailableReason()};
        const std::optional<WindowDescription> d = describe(number);
        if (!d) return {ScreenGrab::Status::gone, {}, false, {}};
        const TopLevel frame = topLevelOf(number);
        if (frame.window == XCB_WINDOW_NONE) return {ScreenGrab::Status::gone, {}, false, {}};
        if (!frame.viewable) return {ScreenGrab::Status::ok, {}, false, {}};

        QString error;
        QImage image;
        if (m_composite) image = readWindowPixmap(frame, QRect(QPoint(0, 0), frame.pixels.size()), &error);
        if (image.isNull()) {
            // No pixmap of its own: read what the screen shows of it.
            const QRect screen(0, 0, m_x->screen()->width_in_pixels, m_x->screen()->height_in_pixels);
            const QRect visible = frame.pixels & screen;
            if (visible.isEmpty()) return {ScreenGrab::Status::ok, {}, false, {}};
            image = readImage(m_x->root(), visible, m_x->screen()->root_depth, &error);
        }
        return grabOf(std::move(image), error, d->onScreen);
    }

    qint32 ownProcessID() const override { return static_cast<qint32>(::getpid()); }

    bool isRunning(qint32 pid) override {
        if (pid <= 0) return false;
        return ::kill(pid, 0) == 0 || errno == EPERM;
    }

    bool activateWindow(quint32 number) override {
        if (!connected() || !describe(number)) return false;
        xcb_connection_t *c = m_x->connection();
        if (windowManager() != XCB_WINDOW_NONE) {
            // Source 2 (a pager): the window manager honours the request without focus-stealing checks,
            // and un-minimises the window.
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = number;
            event.type = m_x->atom("_NET_ACTIVE_WINDOW");
            event.data.data32[0] = 2;
            event.data.data32[1] = XCB_CURRENT_TIME;
            xcb_send_event(c, 0, m_x->root(),
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char *>(&event));
        } else {
            const uint32_t above = XCB_STACK_MODE_ABOVE;
            // Checked and dropped: a window that is not viewable yet refuses the focus, and the error
            // must not reach Qt's event queue when we share its connection.
            xcb_discard_reply(c, xcb_map_window_checked(c, number).sequence);
            xcb_discard_reply(c, xcb_configure_window_checked(c, number, XCB_CONFIG_WINDOW_STACK_MODE, &above).sequence);
            xcb_discard_reply(c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, number, XCB_CURRENT_TIME).sequence);
        }
        xcb_flush(c);
        return true;
    }

    bool activateApplication(qint32 pid) override {
        const QList<WindowDescription> all = windows(WindowScope::all);
        const WindowDescription *target = nullptr;
        for (const WindowDescription &w : all) {
            if (w.ownerPID != pid) continue;
            if (w.onScreen) {
                target = &w;
                break;
            }
            if (!target) target = &w;
        }
        return target && activateWindow(target->number);
    }

    std::optional<qint32> frontmostApplication() override {
        if (!connected()) return std::nullopt;
        xcb_window_t active = XCB_WINDOW_NONE;
        if (windowManager() != XCB_WINDOW_NONE) {
            if (auto v = m_x->cardinals(m_x->root(), m_x->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW); v && !v->empty())
                active = v->front();
        } else {
            xcb_connection_t *c = m_x->connection();
            if (auto focus = xcbReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)))
                active = topLevelOf(focus->focus).window;
        }
        if (active == XCB_WINDOW_NONE) return std::nullopt;
        return processOf(active);
    }

private:
    void sync() {
        xcb_connection_t *c = m_x->connection();
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }

    static ScreenGrab grabOf(QImage image, const QString &error, bool onScreen) {
        if (image.isNull()) return {ScreenGrab::Status::failed, {}, false, error.isEmpty() ? kReadRefused : error};
        return {ScreenGrab::Status::ok, std::move(image), onScreen, {}};
    }

    // The window manager's check window, or none when no EWMH window manager runs.
    xcb_window_t windowManager() {
        const xcb_atom_t check = m_x->atom("_NET_SUPPORTING_WM_CHECK");
        const auto onRoot = m_x->cardinals(m_x->root(), check, XCB_ATOM_WINDOW);
        if (!onRoot || onRoot->empty()) return XCB_WINDOW_NONE;
        const auto onChild = m_x->cardinals(onRoot->front(), check, XCB_ATOM_WINDOW);
        if (!onChild || onChild->empty() || onChild->front() != onRoot->front()) return XCB_WINDOW_NONE;
        return onRoot->front();
    }

    std::vector<Monitor> monitors() {
        std::vector<Monitor> result;
        xcb_connection_t *c = m_x->connection();
        if (m_x->hasRandr15()) {
            auto reply = xcbReply(xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_x->root(), 1), nullptr));
            if (reply) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
                     xcb_randr_monitor_info_next(&it)) {
                    const xcb_randr_monitor_info_t *info = it.data;
                    if (info->width == 0 || info->height == 0) continue;
                    Monitor m;
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
                         [](const Monitor &a, const Monitor &b) { return a.primary && !b.primary; });
        return result;
    }

    // Managed clients bottom to top; without a window manager, the root's mapped children.
    std::vector<xcb_window_t> clientList(bool *managed) {
        *managed = windowManager() != XCB_WINDOW_NONE;
        if (*managed) {
            auto list = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
            if (!list) list = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
            if (list) return {list->begin(), list->end()};
        }
        *managed = false;
        std::vector<xcb_window_t> result;
        for (const TopLevel &t : topLevels()) {
            if (t.viewable) result.push_back(t.window);
        }
        return result;
    }

    // Every child of the root, bottom to top.
    std::vector<TopLevel> topLevels() {
        xcb_connection_t *c = m_x->connection();
        std::vector<TopLevel> result;
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
            TopLevel t{children[i], QRect(g->x, g->y, g->width + 2 * border, g->height + 2 * border), g->depth,
                       a->map_state == XCB_MAP_STATE_VIEWABLE, std::nullopt};
            t.pid = X11Connection::processID(pid.get());
            result.push_back(t);
        }
        return result;
    }

    // The root's child that holds `window` (the window itself when it is one).
    TopLevel topLevelOf(xcb_window_t window) {
        xcb_connection_t *c = m_x->connection();
        xcb_window_t current = window;
        for (int depth = 0; depth < 64 && current != XCB_WINDOW_NONE; ++depth) {
            auto tree = xcbReply(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
            if (!tree) return {};
            if (current == m_x->root()) return {};
            if (tree->parent == m_x->root()) break;
            current = tree->parent;
        }
        const auto attributesCookie = xcb_get_window_attributes(c, current);
        auto g = xcbReply(xcb_get_geometry_reply(c, xcb_get_geometry(c, current), nullptr));
        auto a = xcbReply(xcb_get_window_attributes_reply(c, attributesCookie, nullptr));
        if (!g || !a) return {};
        const int border = g->border_width;
        return {current, QRect(g->x, g->y, g->width + 2 * border, g->height + 2 * border), g->depth,
                a->map_state == XCB_MAP_STATE_VIEWABLE, std::nullopt};
    }

    std::optional<qint32> processOf(xcb_window_t window) {
        xcb_connection_t *c = m_x->connection();
        const auto cookie = xcb_get_property(c, 0, window, m_x->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1);
        return X11Connection::processID(xcbReply(xcb_get_property_reply(c, cookie, nullptr)).get());
    }

    // The root's children that show this process's windows: override-redirect windows (and clients,
    // without a window manager) carry our process id themselves; managed clients sit in a frame.
    std::vector<TopLevel> ownTopLevels(const std::vector<TopLevel> &levels) {
        QSet<xcb_window_t> own;
        for (const TopLevel &t : levels) {
            if (t.pid == ownProcessID()) own.insert(t.window);
        }
        if (windowManager() != XCB_WINDOW_NONE) {
            const auto clients = m_x->cardinals(m_x->root(), m_x->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
            xcb_connection_t *c = m_x->connection();
            std::vector<xcb_get_property_cookie_t> cookies;
            for (quint32 client : clients.value_or(std::vector<quint32>())) {
                cookies.push_back(xcb_get_property(c, 0, client, m_x->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1));
            }
            for (size_t i = 0; i < cookies.size(); ++i) {
                auto reply = xcbReply(xcb_get_property_reply(c, cookies[i], nullptr));
                if (X11Connection::processID(reply.get()) == ownProcessID())
                    own.insert(topLevelOf(clients->at(i)).window);
            }
        }
        // A window the manager is framing can be on screen before it is in the client list; Qt knows it.
        if (m_x->sharedWithQt() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
            for (QWindow *w : QGuiApplication::topLevelWindows())
                if (w->isVisible() && w->handle()) own.insert(topLevelOf(xcb_window_t(w->winId())).window);
        }
        std::vector<TopLevel> result;
        for (const TopLevel &t : levels) {
            if (own.contains(t.window)) result.push_back(t);
        }
        return result;
    }

    std::optional<WindowDescription> describe(xcb_window_t client) {
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
        auto get = [&](xcb_get_property_cookie_t cookie) {
            return xcbReply(xcb_get_property_reply(c, cookie, nullptr));
        };
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
        d.ownerPID = X11Connection::processID(pid.get());
        if (const auto v = values32(opacity); !v.empty()) d.alpha = double(v.front()) / double(0xffffffffu);
        d.layer = attributes->override_redirect ? 1000 : layerOf(values32(type));

        const QByteArray netTitle = text(netName);
        d.title = netTitle.isEmpty() ? QString::fromLocal8Bit(text(name)) : QString::fromUtf8(netTitle);
        const QList<QByteArray> classParts = text(wmClass).split('\0');
        if (classParts.size() >= 2 && !classParts.at(1).isEmpty()) d.ownerName = QString::fromLocal8Bit(classParts.at(1));
        if (d.ownerName.isEmpty() && d.ownerPID) d.ownerName = processName(*d.ownerPID);
        d.own = d.ownerPID == ownProcessID();

        const TopLevel frame = topLevelOf(client);
        if (frame.window == XCB_WINDOW_NONE) return std::nullopt;
        d.frame = toPoints(frame.pixels, m_x->scale());

        bool hidden = false;
        if (const auto v = values32(wmState); !v.empty()) hidden = v.front() == XCB_ICCCM_WM_STATE_ICONIC;
        const xcb_atom_t hiddenAtom = m_x->atom("_NET_WM_STATE_HIDDEN");
        for (quint32 a : values32(state)) hidden = hidden || a == hiddenAtom;
        const QRect screen(0, 0, m_x->screen()->width_in_pixels, m_x->screen()->height_in_pixels);
        d.onScreen = frame.viewable && attributes->map_state == XCB_MAP_STATE_VIEWABLE && !hidden &&
                     frame.pixels.intersects(screen);
        return d;
    }

    static constexpr quint32 XCB_ICCCM_WM_STATE_ICONIC = 3;

    int layerOf(const std::vector<quint32> &types) {
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

    static QString processName(qint32 pid) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly)) return {};
        return QString::fromLocal8Bit(comm.readAll()).trimmed();
    }

    // Pixels of a drawable in a 32-bit format: opaque RGB32 for depth 24, premultiplied ARGB for 32.
    QImage readImage(xcb_drawable_t drawable, const QRect &rect, int depth, QString *error) {
        if ((depth != 24 && depth != 32) || m_x->bitsPerPixel(depth) != 32 || !m_x->imageLsbFirst()) {
            *error = kUnsupportedFormat;
            return {};
        }
        if (rect.isEmpty()) return {};
        if (QImage shared = readImageShared(drawable, rect, depth); !shared.isNull()) return shared;
        xcb_connection_t *c = m_x->connection();
        const auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<int16_t>(rect.x()),
                                          static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                                          static_cast<uint16_t>(rect.height()), ~0u);
        xcb_generic_error_t *failure = nullptr;
        auto reply = xcbReply(xcb_get_image_reply(c, cookie, &failure));
        free(failure);
        const qsizetype rowBytes = qsizetype(rect.width()) * 4;
        if (!reply || xcb_get_image_data_length(reply.get()) < rowBytes * rect.height()) {
            *error = kReadRefused;
            return {};
        }
        QImage image(rect.size(), depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (image.isNull()) {
            *error = kReadRefused;
            return {};
        }
        const uchar *source = xcb_get_image_data(reply.get());
        for (int y = 0; y < rect.height(); ++y) {
            uchar *line = image.scanLine(y);
            std::memcpy(line, source + y * rowBytes, size_t(rowBytes));
            if (depth == 24) {
                // The pad byte is undefined; QImage expects it opaque.
                auto *pixels = reinterpret_cast<quint32 *>(line);
                for (int x = 0; x < rect.width(); ++x) pixels[x] |= 0xff000000u;
            }
        }
        return image;
    }

    // The same through shared memory, which spares the server and us a copy through the socket (a
    // 4K screen is 33 MB). Null when shared memory is unavailable, so the caller reads the usual way.
    QImage readImageShared(xcb_drawable_t drawable, const QRect &rect, int depth) {
#ifdef PELICARTA_HAVE_XCB_SHM
        constexpr qsizetype kWorthIt = 256 * 1024;
        const qsizetype bytes = qsizetype(rect.width()) * rect.height() * 4;
        if (!m_x->hasShm() || bytes < kWorthIt) return {};
        xcb_connection_t *c = m_x->connection();
        const int id = ::shmget(IPC_PRIVATE, size_t(bytes), IPC_CREAT | 0600);
        if (id < 0) return {};
        void *memory = ::shmat(id, nullptr, 0);
        if (memory == reinterpret_cast<void *>(-1)) {
            ::shmctl(id, IPC_RMID, nullptr);
            return {};
        }
        const xcb_shm_seg_t segment = xcb_generate_id(c);
        xcb_generic_error_t *failure = xcb_request_check(c, xcb_shm_attach_checked(c, segment, quint32(id), 0));
        // Removed once both sides have let go of it.
        ::shmctl(id, IPC_RMID, nullptr);
        if (failure) {
            free(failure);
            ::shmdt(memory);
            return {};
        }
        auto reply = xcbReply(xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, drawable, int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()),
                              uint16_t(rect.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
            &failure));
        free(failure);
        xcb_discard_reply(c, xcb_shm_detach_checked(c, segment).sequence);
        if (!reply) {
            ::shmdt(memory);
            return {};
        }
        QImage image(static_cast<uchar *>(memory), rect.width(), rect.height(), rect.width() * 4,
                     depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32,
                     [](void *p) { ::shmdt(p); }, memory);
        if (depth == 24) {
            auto *pixels = static_cast<quint32 *>(memory);
            for (qsizetype i = 0, n = bytes / 4; i < n; ++i) pixels[i] |= 0xff000000u;
        }
        return image;
#else
        Q_UNUSED(drawable);
        Q_UNUSED(rect);
        Q_UNUSED(depth);
        return {};
#endif
    }

    // Part of a top-level window's own pixmap (frame-local pixel rectangle); null when it has none.
    QImage readWindowPixmap(const TopLevel &window, const QRect &part, QString *error) {
        xcb_connection_t *c = m_x->connection();
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_generic_error_t *failure = xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window.window, pixmap));
        if (failure) {
            free(failure);
            return {};
        }
        QImage image = readImage(pixmap, part, window.depth, error);
        xcb_discard_reply(c, xcb_free_pixmap_checked(c, pixmap).sequence);
        return image;
    }

    // Replaces what our own windows cover in `image` (the root's pixels of `area`) with what lies
    // beneath them: the desktop background and, bottom to top, every other window's own pixmap.
    void paintOverOwnWindows(QImage &image, const QRect &area, const std::vector<TopLevel> &levels,
                             const std::vector<TopLevel> &own) {
        QRegion covered;
        for (const TopLevel &t : own) covered += t.pixels & area;
        const QRect needed = covered.boundingRect();
        QPainter painter(&image);
        painter.setClipRegion(covered.translated(-area.topLeft()));
        painter.fillRect(needed.translated(-area.topLeft()), Qt::black);
        QString ignored;
        if (auto background = m_x->cardinals(m_x->root(), m_x->atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP);
            background && !background->empty()) {
            const QImage part = readImage(background->front(), needed, m_x->screen()->root_depth, &ignored);
            if (!part.isNull()) painter.drawImage(needed.topLeft() - area.topLeft(), part);
        }
        for (const TopLevel &t : levels) {
            if (!t.viewable) continue;
            if (std::any_of(own.begin(), own.end(), [&](const TopLevel &o) { return o.window == t.window; })) continue;
            const QRect part = t.pixels & needed;
            if (part.isEmpty()) continue;
            const QImage pixels = readWindowPixmap(t, part.translated(-t.pixels.topLeft()), &ignored);
            if (!pixels.isNull()) painter.drawImage(part.topLeft() - area.topLeft(), pixels);
        }
    }

    std::shared_ptr<X11Connection> m_x;
    QString m_reason;
    bool m_composite = false;
};

struct SharedInstance {
    std::shared_ptr<ScreenServices> services;
    bool injected = false;
};

SharedInstance &sharedInstance() {
    static SharedInstance instance;
    return instance;
}

} // namespace

std::shared_ptr<ScreenServices> createX11ScreenServices(const X11ScreenOptions &options) {
    QString reason;
    std::shared_ptr<X11Connection> connection = X11Connection::open(options.displayName, &reason);
    return std::make_shared<X11ScreenServices>(std::move(connection), reason, options.useComposite);
}

std::shared_ptr<ScreenServices> ScreenServices::shared() {
    SharedInstance &instance = sharedInstance();
    // A server that could not be reached (or went away) is tried again on the next use.
    if (!instance.services || (!instance.injected && !instance.services->connected()))
        instance.services = createX11ScreenServices();
    return instance.services;
}

void ScreenServices::setShared(std::shared_ptr<ScreenServices> services) {
    SharedInstance &instance = sharedInstance();
    instance.injected = services != nullptr;
    instance.services = std::move(services);
}

} // namespace platform
