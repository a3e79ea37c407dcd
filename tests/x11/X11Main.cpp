#include "X11Fixture.h"

#include "capture/ScreenCapturer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <functional>

#include <xcb/xcb.h>

#include <cstdlib>
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
} // namespace

testsupport::XvfbServer *server() { return g_server; }

void X11Test::SetUp() {
    // Without a server these tests would prove nothing: they fail (scripts/setup-debian.sh installs Xvfb).
    if (!g_server || !g_server->running())
        FAIL() << "no private X server: " << (g_server ? g_server->error().toStdString() : "listing only");
    services = platform::createX11ScreenServices();
    ASSERT_TRUE(services->connected());
    platform::ScreenServices::setShared(services);
}

void X11Test::TearDown() {
    ownWindows.clear();
    setRootColor(0);
    for (HelperWindow &h : helpers) {
        h.process->kill();
        h.process->waitForFinished(3000);
    }
    helpers.clear();
    platform::ScreenServices::setShared(nullptr);
    // Let the window manager forget the windows before the next test.
    QTest::qWait(100);
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
    QDeadlineTimer deadline(30000);
    while (!h.process->canReadLine() && !deadline.hasExpired()) h.process->waitForReadyRead(100);
    const QByteArray line = h.process->readLine().trimmed();
    EXPECT_TRUE(line.startsWith("ready ")) << "helper did not start: " << line.constData();
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
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get(), 30000)); // a busy machine maps it late
    QTest::qWait(150);
    ownWindows.push_back(std::move(w));
    return *ownWindows.back();
}

void X11Test::paintDesktop(const QColor &color) {
    setRootColor(color.rgb() & 0xffffffu);
    QTest::qWait(50);
}

void X11Test::removeProperty(quint32 window, const char *name) {
    onOwnConnection([window, name](xcb_connection_t *c, xcb_window_t) {
        auto atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        if (atom) xcb_delete_property(c, window, atom->atom);
        std::free(atom);
    });
}

bool X11Test::waitForFrontmost(qint32 pid, int timeoutMs) {
    return QTest::qWaitFor([&] { return services->frontmostApplication() == pid; }, timeoutMs);
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
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    int result;
    {
        QApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
