// Tests against a real X server: each run starts its own Xvfb on a free display (-displayfd) and
// stops it at the end, so they never touch the user's session.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t startXvfb(std::string &display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    ssize_t total = 0;
    while (total < static_cast<ssize_t>(sizeof buffer) - 1) {
        const ssize_t n = read(fds[0], buffer + total, sizeof buffer - 1 - static_cast<size_t>(total));
        if (n <= 0) break;
        total += n;
        if (buffer[total - 1] == '\n') break;
    }
    close(fds[0]);
    if (total <= 0) return -1;
    display = ":" + std::string(buffer, static_cast<size_t>(total - (buffer[total - 1] == '\n' ? 1 : 0)));
    return pid;
}

} // namespace

int main(int argc, char **argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || std::string(argv[i]).rfind("--gtest_list_tests", 0) == 0;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toLocal8Bit());
    if (listing) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        return RUN_ALL_TESTS();
    }
    std::string display;
    const pid_t xvfb = startXvfb(display);
    if (xvfb <= 0) {
        std::fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        QApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return result;
}
