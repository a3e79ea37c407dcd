#include "support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

namespace testsupport {

namespace {
// How long a start may take before it counts as failed: the server and the window manager start in well
// under a second on a machine at rest, a loaded one (a build beside the tests, two processors) can take
// many times that.
constexpr int kHangMs = 60'000;
} // namespace

XvfbServer::XvfbServer(QSize screen, bool windowManager) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        m_error = QStringLiteral("Xvfb is not installed");
        return;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        m_error = QStringLiteral("pipe failed");
        return;
    }
    const QByteArray program = xvfb.toLocal8Bit();
    const QByteArray fd = QByteArray::number(fds[1]);
    const QByteArray geometry = QByteArray::number(screen.width()) + 'x' + QByteArray::number(screen.height()) + "x24";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        // -displayfd: the server picks a free display number and writes it to the pipe once ready.
        ::execl(program.constData(), "Xvfb", "-displayfd", fd.constData(), "-screen", "0", geometry.constData(),
                "-nolisten", "tcp", "-noreset", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        m_error = QStringLiteral("fork failed");
        return;
    }
    m_pid = pid;
    QByteArray number;
    QDeadlineTimer deadline(kHangMs);
    while (!number.endsWith('\n') && !deadline.hasExpired()) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0) break;
        char c;
        if (::read(fds[0], &c, 1) != 1) break;
        number.append(c);
    }
    ::close(fds[0]);
    if (!number.endsWith('\n')) {
        m_error = QStringLiteral("Xvfb did not start");
        return;
    }
    m_display = ':' + number.trimmed();
    if (windowManager && !waitForWindowManager()) m_error = QStringLiteral("openbox did not start");
}

bool XvfbServer::waitForWindowManager() {
    if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_display));
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(env);
    m_windowManager->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_windowManager->waitForStarted(kHangMs)) return false;
    // The window manager is ready once it announces itself on the root window.
    QDeadlineTimer deadline(kHangMs);
    while (!deadline.hasExpired()) {
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        probe.waitForFinished(kHangMs);
        if (probe.readAllStandardOutput().contains("window id")) return framesWindows();
        QThread::msleep(50);
    }
    return false;
}

// openbox announces itself before it has finished starting, and a window mapped in between can have its
// map request dropped: it then stays unmapped for good. So the manager is ready once it has framed a window
// of ours, mapped again each second until it does; the window and its frame are gone again on return.
bool XvfbServer::framesWindows() {
    xcb_connection_t *c = xcb_connect(m_display.constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    const auto parentOf = [c](xcb_window_t window) {
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        const xcb_window_t parent = tree ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
        std::free(tree);
        return parent;
    };
    xcb_window_t frame = XCB_WINDOW_NONE;
    const QDeadlineTimer deadline(kHangMs);
    while (frame == XCB_WINDOW_NONE && !deadline.hasExpired()) {
        xcb_map_window(c, probe);
        const QDeadlineTimer again(1000);
        while (frame == XCB_WINDOW_NONE && !again.hasExpired()) {
            const xcb_window_t parent = parentOf(probe);
            if (parent != screen->root && parent != XCB_WINDOW_NONE) frame = parent;
            else QThread::msleep(10);
        }
    }
    xcb_destroy_window(c, probe);
    // Tests list the root's children: the frame goes before the first test starts.
    const QDeadlineTimer unframed(kHangMs);
    while (frame != XCB_WINDOW_NONE && !unframed.hasExpired()) {
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, frame), nullptr);
        std::free(attributes);
        if (!attributes) break;
        QThread::msleep(10);
    }
    xcb_disconnect(c);
    return frame != XCB_WINDOW_NONE;
}

XvfbServer::~XvfbServer() {
    if (m_windowManager) {
        m_windowManager->terminate();
        if (!m_windowManager->waitForFinished(3000)) m_windowManager->kill();
        m_windowManager->waitForFinished(1000);
    }
    if (m_pid > 0) {
        ::kill(pid_t(m_pid), SIGTERM);
        int status = 0;
        for (int i = 0; i < 100 && ::waitpid(pid_t(m_pid), &status, WNOHANG) == 0; ++i) QThread::msleep(20);
        if (::waitpid(pid_t(m_pid), &status, WNOHANG) == 0) {
            ::kill(pid_t(m_pid), SIGKILL);
            ::waitpid(pid_t(m_pid), &status, 0);
        }
    }
}

} // namespace testsupport
