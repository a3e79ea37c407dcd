#include "X11Fixture.h"

#include "capture/ScreenCapturer.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDeadlineTimer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include <xcb/xcb.h>

#include <cstdlib>
#include <poll.h>
#include <unistd.h>

namespace x11test {

namespace {
testsupport::XvfbServer *g_server = nullptr;

// Runs `change` on a connection of its own to the test server, then waits until the server has done it.
void onOwnConnection(const std::function<void(xcb_connection_t *, xcb_window_t root)> &change) {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    change(c, screen->root);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

void setRootColor(quint32 pixel) {
    onOwnConnection([pixel](xcb_connection_t *c, xcb_window_t root) {
        xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXEL, &pixel);
        xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    });
}

// Whether none of `windows` exists any more on the server.
bool allGone(const std::vector<quint32> &windows) {
    bool gone = true;
    onOwnConnection([&](xcb_connection_t *c, xcb_window_t) {
        for (const quint32 window : windows) {
            xcb_get_window_attributes_reply_t *attributes =
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
            gone = gone && !attributes;
            std::free(attributes);
        }
    });
    return gone;
}

xcb_atom_t atomOf(xcb_connection_t *c, const char *name) {
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// A window of ours on Qt's own connection whose property changes come back to us as events. The server
// sends the event for a change after everything it did before it, on one connection events keep their
// order, and Qt hands them to the native filters in that order: once the event of a change made now
// has passed, so has everything before it.
class ServerMarker final : public QAbstractNativeEventFilter {
public:
    ServerMarker() {
        auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        m_connection = x11 ? x11->connection() : nullptr;
        if (!m_connection) return;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        qApp->installNativeEventFilter(this);
    }
    ~ServerMarker() override {
        if (!m_connection) return;
        qApp->removeNativeEventFilter(this);
        xcb_destroy_window(m_connection, m_window);
        xcb_flush(m_connection);
    }
    ServerMarker(const ServerMarker &) = delete;
    ServerMarker &operator=(const ServerMarker &) = delete;

    bool reached() {
        if (!m_connection) return false;
        const quint64 wanted = ++m_sent;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 1,
                            "m");
        xcb_flush(m_connection);
        return testsupport::becomes([&] { return m_seen >= wanted; });
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t") return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY ||
            reinterpret_cast<const xcb_property_notify_event_t *>(event)->window != m_window)
            return false;
        ++m_seen;
        return true;
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    quint64 m_sent = 0;
    quint64 m_seen = 0;
};

ServerMarker *g_marker = nullptr;

// One question to the window manager that it answers by setting a property: it answers after it has
// handled every event it was sent before. False when it never answers.
bool windowManagerAnswers(xcb_connection_t *c, xcb_window_t root) {
    const xcb_atom_t request = atomOf(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atomOf(c, "_NET_FRAME_EXTENTS");
    const xcb_window_t probe = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = probe;
    message.type = request;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(c);
    bool answered = false;
    const QDeadlineTimer deadline(testsupport::patienceMs);
    while (!answered && !deadline.hasExpired() && !xcb_connection_has_error(c)) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            const auto *property = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            answered = answered || ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && property->window == probe &&
                                    property->atom == extents);
            std::free(event);
        }
        if (answered) break;
        pollfd readable{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&readable, 1, int(std::clamp<qint64>(deadline.remainingTime(), 0, 1000)));
    }
    xcb_destroy_window(c, probe);
    return answered;
}
} // namespace

testsupport::XvfbServer *server() { return g_server; }

bool caughtUp() {
    const bool reached = g_marker && g_marker->reached();
    testsupport::settle();
    return reached;
}

bool windowManagerCaughtUp() {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_property_reply_t *check = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atomOf(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool managed = check && xcb_get_property_value_length(check) > 0;
    std::free(check);
    // Twice: what the manager did for the first answer (a focus given) comes back to it as events of its
    // own, which the second answer follows.
    const bool answered = !managed || (windowManagerAnswers(c, root) && windowManagerAnswers(c, root));
    xcb_disconnect(c);
    return answered;
}

void X11Test::SetUp() {
    // Without a server these tests would prove nothing: they fail (scripts/setup-debian.sh installs Xvfb).
    if (!g_server || !g_server->running())
        FAIL() << "no private X server: " << (g_server ? g_server->error().toStdString() : "listing only");
    services = platform::createX11ScreenServices();
    ASSERT_TRUE(services->connected());
    platform::ScreenServices::setSharedForTesting(services.get());
}

void X11Test::TearDown() {
    ownWindows.clear();
    setRootColor(0);
    std::vector<quint32> windows;
    for (HelperWindow &h : helpers) {
        h.process->kill();
        h.process->waitForFinished(testsupport::patienceMs);
        if (h.id) windows.push_back(h.id);
    }
    helpers.clear();
    platform::ScreenServices::setSharedForTesting(nullptr);
    if (!g_server || !g_server->running()) return;
    // The next test lists the windows on the screen: the server has destroyed those of the helpers (once
    // it noticed they ended), and the window manager has let go of them and of ours.
    EXPECT_TRUE(testsupport::becomes([&] { return allGone(windows); }));
    EXPECT_TRUE(caughtUp());
    EXPECT_TRUE(windowManagerCaughtUp());
}

const HelperWindow &X11Test::spawn(const HelperSpec &spec) {
    HelperWindow h;
    h.className = spec.className;
    h.color = spec.color;
    h.process = std::make_unique<QProcess>();
    h.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), qEnvironmentVariable("XDG_RUNTIME_DIR"));
    h.process->setProcessEnvironment(env);
    const QRect &g = spec.geometry;
    QStringList args = {QStringLiteral("--app"),
                        spec.className,
                        QStringLiteral("--caption"),
                        spec.className,
                        QStringLiteral("--fill"),
                        spec.color.name().mid(1),
                        QStringLiteral("--rect"),
                        QStringLiteral("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())};
    if (spec.opacity != 1) args << QStringLiteral("--alpha") << QString::number(spec.opacity);
    if (spec.minimized) args << QStringLiteral("--minimize");
    h.process->start(QStringLiteral(PELICARTA_TEST_WINDOW), args);
    // A loaded machine can take many seconds to start a Qt program and map its window.
    QDeadlineTimer deadline(testsupport::patienceMs);
    while (!h.process->canReadLine() && !deadline.hasExpired()) h.process->waitForReadyRead(100);
    const QByteArray line = h.process->readLine().trimmed();
    EXPECT_TRUE(line.startsWith("ready ")) << "helper did not start: " << line.constData();
    // Placed, stacked and focused by the window manager as it will stay.
    EXPECT_TRUE(windowManagerCaughtUp());
    h.id = line.mid(6).toUInt();
    h.pid = qint32(h.process->processId());
    helpers.push_back(std::move(h));
    return helpers.back();
}

QWidget &X11Test::ownWindow(const QColor &color, const QRect &geometry) {
    auto w = std::make_unique<QWidget>();
    w->setWindowTitle(QStringLiteral("Pelicarta"));
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, color);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
    w->setGeometry(geometry);
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get(), testsupport::patienceMs)); // a busy machine maps it late
    // On the screen in its colour: a capture that leaves it out then has something to leave out.
    const QPoint centre = w->geometry().center();
    QScreen *screen = QGuiApplication::primaryScreen();
    EXPECT_TRUE(testsupport::becomes([&] {
        return colorAt(screen->grabWindow(0, centre.x(), centre.y(), 1, 1).toImage(), QPointF(0, 0)) == color;
    })) << "our window never showed at "
        << centre.x() << "," << centre.y();
    ownWindows.push_back(std::move(w));
    return *ownWindows.back();
}

void X11Test::paintDesktop(const QColor &color) {
    // Painted once this returns: the server has carried out the change.
    setRootColor(color.rgb() & 0xffffffu);
}

void X11Test::removeProperty(quint32 window, const char *name) {
    onOwnConnection([window, name](xcb_connection_t *c, xcb_window_t) {
        auto atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        if (atom) xcb_delete_property(c, window, atom->atom);
        std::free(atom);
    });
}

bool X11Test::waitForFrontmost(qint32 pid) {
    return testsupport::becomes([&] { return services->frontmostApplication() == pid; });
}

} // namespace x11test

int main(int argc, char **argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || QByteArray(argv[i]).startsWith("--gtest_list_tests");

    std::unique_ptr<testsupport::XvfbServer> server;
    if (!listing) {
        server = std::make_unique<testsupport::XvfbServer>(QSize(1920, 1080), qgetenv("PELICARTA_TEST_WM") != "none");
        x11test::g_server = server.get();
    }
    if (server && server->running()) {
        qputenv("DISPLAY", server->display());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // No session bus, as in the end-to-end tests: without an address, the D-Bus library forks to start
    // one from a process that already runs threads, which can hang under the address sanitizer.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelicarta-test-bus");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    // As in the other test programs: workers at normal priority, so that a busy machine does not starve
    // what the tests wait for.
    if (!qEnvironmentVariableIsSet("PELICARTA_NO_TUNING")) qputenv("PELICARTA_NO_TUNING", "nice");
    int result;
    {
        QApplication app(argc, argv);
        std::optional<x11test::ServerMarker> marker;
        if (server && server->running()) x11test::g_marker = &marker.emplace();
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
        x11test::g_marker = nullptr;
    }
    return result;
}
