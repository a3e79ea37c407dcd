#include "platform/ScreenServices.h"
#include "platform/X11Connection.h"
#include "platform/X11PixelReader.h"
#include "platform/X11WindowQueries.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QtGui/qguiapplication_platform.h>
#include <QPointer>
#include <QRegion>
#include <QThread>
#include <QThreadPool>
#include <QWindow>

#include <xcb/composite.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <unistd.h>

// The screen services on X11: displays, windows and their pixels, put together from the window queries
// (X11WindowQueries) and the pixel reads (X11PixelReader).
namespace platform {

namespace {

constexpr char kStaysHiddenAfterGrab[] = "_pelicarta_staysHiddenAfterGrab";
// The root child of a window kept out of the picture after a grab while still mapped (see below).
constexpr char kRedirectedFrame[] = "_pelicarta_redirectedFrame";
constexpr char kMayStayMapped[] = "_pelicarta_mayStayMappedAfterGrab";

bool holds(const std::vector<xcb_window_t> &windows, xcb_window_t window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

bool holds(const std::vector<X11TopLevel> &levels, xcb_window_t window) {
    return std::any_of(levels.begin(), levels.end(), [window](const X11TopLevel &t) { return t.window == window; });
}

xcb_window_t redirectedFrame(const QWindow *window) {
    return window ? xcb_window_t(window->property(kRedirectedFrame).toUInt()) : xcb_window_t(XCB_WINDOW_NONE);
}

// One thread for pixel reads: grabs follow one another, never side by side.
QThreadPool &readerPool() {
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool; // lives as long as the process
        made->setObjectName(QStringLiteral("ScreenReader"));
        made->setMaxThreadCount(1);
        made->setExpiryTimeout(5000); // a tray app between captures keeps no reader
        return made;
    }();
    return *pool;
}

class X11ScreenServices final : public ScreenServices, public std::enable_shared_from_this<X11ScreenServices> {
public:
    X11ScreenServices(std::shared_ptr<X11Connection> x, QString reason, bool useComposite)
        : m_x(std::move(x)), m_reason(std::move(reason)) {
        if (m_x) {
            m_windows = std::make_unique<X11WindowQueries>(*m_x);
            if (m_x->hasShm()) m_sharedMemory = std::make_shared<X11SharedMemory>(m_x);
            m_pixels = std::make_unique<X11PixelReader>(*m_x, m_sharedMemory);
        }
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
        for (const X11Monitor &m : m_windows->monitors()) {
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
        const std::vector<xcb_window_t> clients = m_windows->clientList(&managed);
        for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
            std::optional<WindowDescription> d = m_windows->describe(*it);
            if (!d) continue;
            if (!managed && d->title.isEmpty()) continue;
            if (scope == WindowScope::onScreen && !d->onScreen) continue;
            result.append(std::move(*d));
        }
        return result;
    }

    std::optional<WindowDescription> window(quint32 number) override {
        if (!connected()) return std::nullopt;
        return m_windows->describe(number);
    }

    ScreenGrab displayImage(quint32 displayID) override { return displayImages({displayID}).front(); }

    QList<ScreenGrab> displayImages(const QList<quint32> &displayIDs) override {
        if (!connected()) return failedGrabs(displayIDs.size());
        Grab grab = beginGrab(displayIDs);
        // The overlay freezes the displays here, on the GUI thread: their memory is kept for the next
        // hot key. The capture road's reads (below) hold nothing once their image is delivered.
        readPixels(*m_x, *m_pixels, grab, true);
        return endGrab(grab);
    }

    void displayImagesLater(const QList<quint32> &displayIDs, QObject *context, GrabsCallback done) override {
        if (!connected()) return ScreenServices::displayImagesLater(displayIDs, context, std::move(done));
        auto grab = std::make_shared<Grab>(beginGrab(displayIDs));
        // Our windows come back (endGrab) even when the caller is gone meanwhile.
        readerPool().start(
            [self = shared_from_this(), grab, context = QPointer<QObject>(context), done = std::move(done)] {
                X11PixelReader reader(*self->m_x, self->m_sharedMemory);
                readPixels(*self->m_x, reader, *grab, false);
                QMetaObject::invokeMethod(
                    qApp,
                    [self, grab, context, done] {
                        QList<ScreenGrab> grabs = self->endGrab(*grab);
                        if (context) done(std::move(grabs));
                    },
                    Qt::QueuedConnection);
            });
    }

    ScreenGrab windowImage(quint32 number) override {
        if (!connected()) return {ScreenGrab::Status::failed, {}, false, unavailableReason()};
        const std::optional<WindowDescription> d = m_windows->describe(number);
        if (!d) return {ScreenGrab::Status::gone, {}, false, {}};
        const X11TopLevel frame = m_windows->topLevelOf(number);
        if (frame.window == XCB_WINDOW_NONE) return {ScreenGrab::Status::gone, {}, false, {}};
        if (!frame.viewable) return {ScreenGrab::Status::ok, {}, false, {}};

        QString error;
        QImage image;
        if (m_composite) image = m_pixels->readWindowPixmap(frame, QRect(QPoint(0, 0), frame.pixels.size()), &error);
        if (image.isNull()) {
            // No pixmap of its own: read what the screen shows of it.
            const QRect screen(0, 0, m_x->screen()->width_in_pixels, m_x->screen()->height_in_pixels);
            const QRect visible = frame.pixels & screen;
            if (visible.isEmpty()) return {ScreenGrab::Status::ok, {}, false, {}};
            image = m_pixels->read(m_x->root(), visible, m_x->screen()->root_depth, &error);
        }
        return grabOf(std::move(image), error, d->onScreen);
    }

    qint32 ownProcessID() const override { return static_cast<qint32>(::getpid()); }

    bool isRunning(qint32 pid) override {
        if (pid <= 0) return false;
        return ::kill(pid, 0) == 0 || errno == EPERM;
    }

    bool activateWindow(quint32 number) override {
        if (!connected() || !m_windows->describe(number)) return false;
        m_windows->activate(number);
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
        return m_windows->activeProcess();
    }

    std::optional<QRectF> activeWindowFrame() override {
        if (!connected()) return std::nullopt;
        const xcb_window_t active = m_windows->activeWindow();
        if (active == XCB_WINDOW_NONE) return std::nullopt;
        const std::optional<WindowDescription> window = m_windows->describe(active);
        if (!window || !window->frame.isValid()) return std::nullopt;
        return window->frame;
    }

private:
    // A read of displays in three steps: our windows off the screen (GUI thread), the pixels (any
    // thread), then our windows painted over where they could not be hidden and shown again (GUI thread).
    struct Grab {
        std::vector<X11Monitor> wanted; // an empty monitor for an id no display has
        QRegion screens;
        xcb_window_t active = XCB_WINDOW_NONE; // the window with the keyboard, as the server says
        std::vector<X11TopLevel> own;          // our windows that were on the displays
        QList<QPointer<QWindow>> hidden;
        // For each of ours, the window that stood right above it: where it goes back to.
        QHash<QWindow *, xcb_window_t> under;
        std::vector<xcb_window_t> redirected; // of `own`: those kept mapped but out of the picture
        QList<QImage> images;
        QStringList errors;
    };

    QList<ScreenGrab> failedGrabs(qsizetype count) const {
        QList<ScreenGrab> result;
        for (qsizetype i = 0; i < count; ++i)
            result.append({ScreenGrab::Status::failed, {}, false, unavailableReason()});
        return result;
    }

    Grab beginGrab(const QList<quint32> &displayIDs) {
        Grab grab;
        const std::vector<X11Monitor> all = m_windows->monitors();
        for (quint32 id : displayIDs) {
            const auto m = std::find_if(all.begin(), all.end(), [&](const X11Monitor &x) { return x.id == id; });
            grab.wanted.push_back(m != all.end() ? *m : X11Monitor{});
            if (m != all.end()) grab.screens += m->pixels;
        }
        std::vector<std::pair<QWindow *, xcb_window_t>> shown;
        for (const X11TopLevel &t : m_windows->ownTopLevels(m_windows->topLevels(), &shown)) {
            if (t.viewable && grab.screens.intersects(t.pixels)) grab.own.push_back(t);
        }
        // Our windows leave the screen for the read and come back right after it, before anything
        // else of ours (the overlay) is shown.
        // Asked of the server: Qt hears that another program took the keyboard only a while later.
        grab.active = m_windows->activeWindow();
        if (!grab.own.empty()) {
            grab.under = windowsAbove(shown);
            grab.redirected = keepOwnWindowsMapped(grab.own, shown);
            grab.hidden = hideOwnWindows(grab.own, shown, grab.redirected);
        }
        return grab;
    }

    // Any thread: waits for our hidden windows to leave the screen, then reads (keeping the displays'
    // shared memory for the next read with `keepMemory`).
    static void readPixels(X11Connection &x, X11PixelReader &reader, Grab &grab, bool keepMemory) {
        if (!grab.hidden.isEmpty() || !grab.redirected.empty())
            waitUntilRepainted(x, reader, grab.own, grab.redirected);
        const xcb_window_t root = x.root();
        const int depth = x.screen()->root_depth;
        for (const X11Monitor &monitor : grab.wanted) {
            QString error;
            grab.images.append(monitor.pixels.isEmpty() ? QImage()
                                                        : reader.read(root, monitor.pixels, depth, &error, keepMemory));
            grab.errors.append(error);
        }
    }

    QList<ScreenGrab> endGrab(Grab &grab) {
        QList<ScreenGrab> result;
        // Looked for again after the read: a window the window manager mapped meanwhile (the main window
        // of a launch that captures at once), or one Qt cannot hide, can only be painted over.
        const std::vector<X11TopLevel> after = connected() ? m_windows->topLevels() : std::vector<X11TopLevel>{};
        std::vector<X11TopLevel> still;
        for (const X11TopLevel &t : m_windows->ownTopLevels(after)) {
            if (t.viewable && !holds(grab.redirected, t.window) && grab.screens.intersects(t.pixels))
                still.push_back(t);
        }
        for (qsizetype i = 0; i < qsizetype(grab.wanted.size()); ++i) {
            const X11Monitor &monitor = grab.wanted[size_t(i)];
            if (monitor.pixels.isEmpty()) {
                result.append({ScreenGrab::Status::gone, {}, false, {}});
                continue;
            }
            if (!grab.images[i].isNull() && !still.empty() && m_composite)
                m_pixels->paintOverOwnWindows(grab.images[i], monitor.pixels, after, still);
            result.append(grabOf(std::move(grab.images[i]), grab.errors[i], true));
        }
        for (const QPointer<QWindow> &w : std::as_const(grab.hidden)) {
            if (!w || w->type() == Qt::Popup || staysHiddenAfterGrab(w)) continue;
            // Coming back must not take the keyboard from the program the user is working in: the
            // window manager would otherwise focus a window mapped anew.
            const bool quiet = xcb_window_t(w->winId()) != grab.active;
            if (quiet) w->setProperty("_q_showWithoutActivating", true);
            w->show();
            if (quiet) w->setProperty("_q_showWithoutActivating", QVariant());
            // Mapped anew, it would come on top of the program the user is working in (which keeps
            // the keyboard): it goes back below the window that was above it.
            if (const xcb_window_t above = grab.under.value(w.data(), XCB_WINDOW_NONE);
                above != XCB_WINDOW_NONE && connected())
                m_windows->stackBelow(xcb_window_t(w->winId()), above);
        }
        return result;
    }

    // For each of `shown`, the nearest window above it in the stacking order that is not ours.
    QHash<QWindow *, xcb_window_t> windowsAbove(const std::vector<std::pair<QWindow *, xcb_window_t>> &shown) {
        QHash<QWindow *, xcb_window_t> above;
        const std::vector<xcb_window_t> order = m_windows->stackingOrder();
        const auto ours = [&](xcb_window_t x) {
            return std::any_of(shown.begin(), shown.end(),
                               [&](const auto &s) { return xcb_window_t(s.first->winId()) == x; });
        };
        for (const auto &[w, frame] : shown) {
            const auto at = std::find(order.begin(), order.end(), xcb_window_t(w->winId()));
            if (at == order.end()) continue;
            const auto next = std::find_if(std::next(at), order.end(), [&](xcb_window_t x) { return !ours(x); });
            if (next != order.end()) above.insert(w, *next);
        }
        return above;
    }

    // A window that stays off the screen after the grab (one its owner will show again with new
    // contents) is kept mapped where Composite allows: its root child is redirected by hand, so the
    // server leaves it out of the screen's picture and keeps what is painted into it aside. The window
    // manager sees nothing, Qt keeps painting it, and it comes back at once, as painted meanwhile
    // (bringBackAfterGrab), instead of being mapped, framed and painted again in one stretch. Refused
    // while a compositing manager holds the redirection: the window is then hidden as any other.
    // Those root children of `own` that are out of the picture, the ones kept so earlier included.
    std::vector<xcb_window_t> keepOwnWindowsMapped(const std::vector<X11TopLevel> &own,
                                                   const std::vector<std::pair<QWindow *, xcb_window_t>> &shown) {
        std::vector<xcb_window_t> kept;
        if (!m_x->sharedWithQt() || !m_composite) return kept;
        xcb_connection_t *c = m_x->connection();
        for (const auto &[w, frame] : shown) {
            if (frame == XCB_WINDOW_NONE || !holds(own, frame)) continue;
            if (redirectedFrame(w) == frame) {
                kept.push_back(frame);
                continue;
            }
            if (!staysHiddenAfterGrab(w) || !w->property(kMayStayMapped).toBool() || w->type() == Qt::Popup) continue;
            xcb_generic_error_t *refused =
                xcb_request_check(c, xcb_composite_redirect_window_checked(c, frame, XCB_COMPOSITE_REDIRECT_MANUAL));
            if (refused) {
                free(refused);
                continue;
            }
            w->setProperty(kRedirectedFrame, quint32(frame));
            kept.push_back(frame);
        }
        return kept;
    }

    // Hides, through Qt, the visible windows of ours (`shown`, with their root children) that `own`
    // shows, but for those `kept` out of the picture (the window manager must see them go and come
    // back); those it hid.
    QList<QPointer<QWindow>> hideOwnWindows(const std::vector<X11TopLevel> &own,
                                            const std::vector<std::pair<QWindow *, xcb_window_t>> &shown,
                                            const std::vector<xcb_window_t> &kept) {
        QList<QPointer<QWindow>> hidden;
        if (!m_x->sharedWithQt()) return hidden;
        for (const auto &[w, frame] : shown) {
            if (!holds(kept, frame) && holds(own, frame)) hidden.append(w);
        }
        for (const QPointer<QWindow> &w : hidden) w->hide();
        return hidden;
    }

    // Waits until the server (and the window manager, for framed windows) has taken `own` off the
    // screen and what they covered stopped changing: the desktop and the windows beneath repaint in
    // their own processes, or in a compositor. Gives up after half a second. Plain requests only (no
    // cached atoms), so any thread may wait.
    static void waitUntilRepainted(X11Connection &x, X11PixelReader &reader, const std::vector<X11TopLevel> &own,
                                   const std::vector<xcb_window_t> &outOfPicture) {
        constexpr int kLimitMs = 500, kFrameMs = 16;
        QElapsedTimer clock;
        clock.start();
        QRegion uncovered;
        for (const X11TopLevel &t : own) uncovered += t.pixels;
        const QRect area =
            uncovered.boundingRect() & QRect(0, 0, x.screen()->width_in_pixels, x.screen()->height_in_pixels);
        xcb_connection_t *c = x.connection();
        auto stillShown = [&] {
            // What Qt asked for has reached the server (and the window manager had its turn) once
            // the server answers a request sent after it.
            free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
            return std::any_of(own.begin(), own.end(), [&](const X11TopLevel &t) {
                // Still mapped on purpose: out of the picture once the server answered.
                if (holds(outOfPicture, t.window)) return false;
                auto attributes =
                    xcbReply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, t.window), nullptr));
                return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            });
        };
        while (stillShown() && clock.elapsed() < kLimitMs) QThread::msleep(2);
        QString ignored;
        QImage previous;
        int steady = 0;
        // Two frames without a change: a window that is slow to start its repaint still gets one frame.
        while (steady < 2 && clock.elapsed() < kLimitMs) {
            QThread::msleep(kFrameMs);
            QImage now = reader.read(x.root(), area, x.screen()->root_depth, &ignored);
            steady = !now.isNull() && now == previous ? steady + 1 : 0;
            previous = std::move(now);
        }
    }

    static ScreenGrab grabOf(QImage image, const QString &error, bool onScreen) {
        if (image.isNull())
            return {ScreenGrab::Status::failed, {}, false, error.isEmpty() ? X11PixelReader::readRefused : error};
        return {ScreenGrab::Status::ok, std::move(image), onScreen, {}};
    }

    std::shared_ptr<X11Connection> m_x;
    QString m_reason;
    std::unique_ptr<X11WindowQueries> m_windows;     // set with a connection
    std::shared_ptr<X11SharedMemory> m_sharedMemory; // set with a connection that offers it
    std::unique_ptr<X11PixelReader> m_pixels;        // set with a connection
    bool m_composite = false;
};

// The services the application shares: one object for the life of the process in front of the X11
// services, which it makes anew when the server could not be reached or went away.
class ReconnectingScreenServices final : public ScreenServices {
public:
    // On every use of the shared services: a server may have come since the last one.
    ReconnectingScreenServices &reconnectedIfLost() {
        if (!m_current || !m_current->connected()) m_current = createX11ScreenServices();
        return *this;
    }

    bool connected() const override { return m_current->connected(); }
    QString unavailableReason() const override { return m_current->unavailableReason(); }
    bool needsPermission() const override { return m_current->needsPermission(); }
    QList<DisplayDescription> displays() override { return m_current->displays(); }
    std::optional<QPointF> pointerPosition() override { return m_current->pointerPosition(); }
    QList<WindowDescription> windows(WindowScope scope) override { return m_current->windows(scope); }
    std::optional<WindowDescription> window(quint32 number) override { return m_current->window(number); }
    ScreenGrab displayImage(quint32 displayID) override { return m_current->displayImage(displayID); }
    QList<ScreenGrab> displayImages(const QList<quint32> &displayIDs) override {
        return m_current->displayImages(displayIDs);
    }
    // The X11 services hold themselves until their read is answered, even once others replaced them.
    void displayImagesLater(const QList<quint32> &displayIDs, QObject *context, GrabsCallback done) override {
        m_current->displayImagesLater(displayIDs, context, std::move(done));
    }
    ScreenGrab windowImage(quint32 number) override { return m_current->windowImage(number); }
    qint32 ownProcessID() const override { return m_current->ownProcessID(); }
    bool isRunning(qint32 pid) override { return m_current->isRunning(pid); }
    bool activateWindow(quint32 number) override { return m_current->activateWindow(number); }
    bool activateApplication(qint32 pid) override { return m_current->activateApplication(pid); }
    std::optional<qint32> frontmostApplication() override { return m_current->frontmostApplication(); }
    std::optional<QRectF> activeWindowFrame() override { return m_current->activeWindowFrame(); }

private:
    std::shared_ptr<ScreenServices> m_current;
};

} // namespace

void setStaysHiddenAfterGrab(QWindow *window, bool stays) {
    if (window) window->setProperty(kStaysHiddenAfterGrab, stays ? QVariant(true) : QVariant());
}

bool staysHiddenAfterGrab(const QWindow *window) { return window && window->property(kStaysHiddenAfterGrab).toBool(); }

void setMayStayMappedAfterGrab(QWindow *window, bool may) {
    if (window) window->setProperty(kMayStayMapped, may ? QVariant(true) : QVariant());
}

bool keptOffScreenAfterGrab(const QWindow *window) { return redirectedFrame(window) != XCB_WINDOW_NONE; }

bool bringBackAfterGrab(QWindow *window) {
    const xcb_window_t frame = redirectedFrame(window);
    if (frame == XCB_WINDOW_NONE) return false;
    window->setProperty(kRedirectedFrame, QVariant());
    // Redirected on Qt's own connection, which alone can undo it.
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (xcb_connection_t *c = x11 ? x11->connection() : nullptr) {
        xcb_composite_unredirect_window(c, frame, XCB_COMPOSITE_REDIRECT_MANUAL);
        xcb_flush(c);
    }
    return true;
}

std::shared_ptr<ScreenServices> createX11ScreenServices(const X11ScreenOptions &options) {
    QString reason;
    std::shared_ptr<X11Connection> connection = X11Connection::open(options.displayName, &reason);
    return std::make_shared<X11ScreenServices>(std::move(connection), reason, options.useComposite);
}

template <>
ScreenServices &SharedService<ScreenServices>::real() {
    static ReconnectingScreenServices services;
    return services.reconnectedIfLost();
}

QList<ScreenGrab> ScreenServices::displayImages(const QList<quint32> &displayIDs) {
    QList<ScreenGrab> result;
    for (quint32 id : displayIDs) result.append(displayImage(id));
    return result;
}

void ScreenServices::displayImagesLater(const QList<quint32> &displayIDs, QObject *context, GrabsCallback done) {
    QMetaObject::invokeMethod(
        context, [grabs = displayImages(displayIDs), done = std::move(done)]() mutable { done(std::move(grabs)); },
        Qt::QueuedConnection);
}

bool ScreenServices::waitForReads(int ms) { return readerPool().waitForDone(ms); }

} // namespace platform
