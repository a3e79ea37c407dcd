#pragma once

#include <QByteArray>
#include <QProcess>
#include <QSize>
#include <QString>

#include <memory>

namespace testsupport {

// A private X server (Xvfb on a free display number) with, optionally, openbox as its window
// manager; both are stopped when the object goes away.
class XvfbServer {
public:
    explicit XvfbServer(QSize screen = QSize(1920, 1080), bool windowManager = true);
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    bool running() const { return m_pid > 0 && m_error.isEmpty(); }
    QString error() const { return m_error; }
    // ":N"
    QByteArray display() const { return m_display; }

private:
    bool waitForWindowManager();
    bool framesWindows();

    qint64 m_pid = -1;
    QByteArray m_display;
    QString m_error;
    std::unique_ptr<QProcess> m_windowManager;
};

} // namespace testsupport
