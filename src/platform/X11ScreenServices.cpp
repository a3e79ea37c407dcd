#include "platform/ScreenServices.h"
#include "platform/X11Connection.h"
#include "platform/X11PixelReader.h"
#include "platform/X11WindowQueries.h"

#include <QGuiApplication>
#include <QThread>
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

class X11ScreenServices final : public ScreenServices {
public:
    X11ScreenServices(std::shared_ptr<X11Connection> x, QString reason, bool useComposite)
        : m_x(std::move(x)), m_reason(std::move(reason)) {
        if (m_x) {
            m_windows = std::make_unique<X11WindowQueries>(*m_x);
            m_pixels = std::make_unique<X11PixelReader>(*m_x);
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

    ScreenGrab displayImage(quint32 displayID) override {
        if (!connected()) return {ScreenGrab::Status::failed, {}, false, unavailableReason()};
        const std::vector<X11Monitor> all = m_windows->monitors();
        const auto monitor = std::find_if(all.begin(), all.end(), [&](const X11Monitor &m) { return m.id == displayID; });
        if (monitor == all.end()) return {ScreenGrab::Status::gone, {}, false, {}};
        const QRect area = monitor->pixels;

        const auto ownOn = [this, &area](const std::vector<X11TopLevel> &levels) {
            std::vector<X11TopLevel> own;
            for (const X11TopLevel &t : m_windows->ownTopLevels(levels)) {
                if (t.viewable && t.pixels.intersects(area)) own.push_back(t);
            }
            return own;
        };

        QString error;
        if (m_composite) {
            // Read first, then look for our windows: one that the window manager maps in between (the
            // main window of a launch that captures at once) is painted over all the same.
            QImage image = m_pixels->read(m_x->root(), area, m_x->screen()->root_depth, &error);
            const std::vector<X11TopLevel> levels = m_windows->topLevels();
            const std::vector<X11TopLevel> own = ownOn(levels);
            if (!image.isNull() && !own.empty()) m_pixels->paintOverOwnWindows(image, area, levels, own);
            return grabOf(std::move(image), error, true);
        }
        const std::vector<X11TopLevel> own = ownOn(m_windows->topLevels());
        if (own.empty()) {
            QImage image = m_pixels->read(m_x->root(), area, m_x->screen()->root_depth, &error);
            return grabOf(std::move(image), error, true);
        }

        // Without Composite the only way to see under our windows is to take them away for a moment.
        // They are hidden through Qt, as the window manager must see them go and come back.
        QList<QWindow *> hidden;
        for (QWindow *w : QGuiApplication::topLevelWindows()) {
            if (!w->isVisible() || !m_x->sharedWithQt()) continue;
            const xcb_window_t top = m_windows->topLevelOf(xcb_window_t(w->winId())).window;
            if (std::any_of(own.begin(), own.end(), [&](const X11TopLevel &t) { return t.window == top; })) hidden.append(w);
        }
        for (QWindow *w : hidden) w->hide();
        sync();
        // The uncovered windows repaint in their own processes; give them a moment.
        QThread::msleep(60);
        QImage image = m_pixels->read(m_x->root(), area, m_x->screen()->root_depth, &error);
        for (QWindow *w : hidden) w->show();
        return grabOf(std::move(image), error, true);
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

private:
    void sync() {
        xcb_connection_t *c = m_x->connection();
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }

    static ScreenGrab grabOf(QImage image, const QString &error, bool onScreen) {
        if (image.isNull())
            return {ScreenGrab::Status::failed, {}, false, error.isEmpty() ? X11PixelReader::readRefused : error};
        return {ScreenGrab::Status::ok, std::move(image), onScreen, {}};
    }

    std::shared_ptr<X11Connection> m_x;
    QString m_reason;
    std::unique_ptr<X11WindowQueries> m_windows; // set with a connection
    std::unique_ptr<X11PixelReader> m_pixels;    // set with a connection
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
