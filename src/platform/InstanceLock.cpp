#include "platform/InstanceLock.h"

#include "platform/Log.h"
#include "platform/PrivateFolder.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// How long one attempt may wait to connect or to write before the launch tries again: the instance's
// queue of connections can be full for a moment.
constexpr int kAttemptSeconds = 1;

// A descriptor closed when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// A local socket connected to `path`; -1 when no one listens there (or not yet).
int connectedTo(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const timeval attempt{kAttemptSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &attempt, sizeof attempt);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Writes all of `bytes`, however slowly they are taken; false once the connection is gone.
bool sendAll(int fd, const QByteArray &bytes) {
    for (qsizetype sent = 0; sent < bytes.size();) {
        // No SIGPIPE from an instance that closed the connection: it only ends this attempt.
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) sent += n;
        else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) return false;
    }
    return true;
}

// The first line that comes, without its newline; none when the connection closes before it does.
std::optional<QByteArray> readLine(int fd) {
    QByteArray received;
    for (;;) {
        if (const qsizetype end = received.indexOf('\n'); end >= 0) return received.left(end);
        if (received.size() > InstanceLock::maxRequestBytes) return std::nullopt;
        char buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) received.append(buffer, n);
        else if (n == 0 || errno != EINTR) return std::nullopt;
    }
}

} // namespace

InstanceLock::InstanceLock(QString folder) : m_folder(folder.isEmpty() ? defaultFolder() : std::move(folder)) {
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]")), QStringLiteral("_"));
    if (!m_folder.isEmpty()) {
        m_socket = QStringLiteral("%1/pelicarta-%2.socket").arg(m_folder, display);
        m_lockPath = QStringLiteral("%1/pelicarta-%2.lock").arg(m_folder, display);
    }
}

InstanceLock::~InstanceLock() {
    if (m_lockFd >= 0) ::close(m_lockFd);
}

QString InstanceLock::defaultFolder() { return PrivateFolder::loginFolder(); }

QByteArray InstanceLock::encodeRequest(const QStringList &message) {
    return QJsonDocument(QJsonArray::fromStringList(message)).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QStringList> InstanceLock::decodeRequest(const QByteArray &line) {
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isArray()) return std::nullopt;
    QStringList words;
    for (const QJsonValue &value : document.array()) {
        if (!value.isString()) return std::nullopt;
        words.append(value.toString());
    }
    return words;
}

InstanceLock::Role InstanceLock::claim(const QStringList &message) {
    if (m_folder.isEmpty() || PrivateFolder::check(m_folder) != PrivateFolder::Problem::none) return Role::unavailable;
    QElapsedTimer waiting;
    waiting.start();
    bool told = false;
    for (;;) {
        if (tryLock()) return Role::primary;
        if (m_lockFd < 0) return Role::unavailable;
        // Another process holds the lock: it is starting, busy, or listening.
        if (handOver(message) == Delivery::delivered) return Role::handedOver;
        if (!told && waiting.elapsed() > 10000) {
            qCWarning(lcPlatform, "waiting for the running Pelicarta to answer on %s", qPrintable(m_socket));
            told = true;
        }
        QThread::msleep(50);
    }
}

bool InstanceLock::isHeld() const { return m_held; }

bool InstanceLock::tryLock() {
    if (m_lockFd < 0) {
        m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_lockFd < 0) return false;
    }
    m_held = ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
    return m_held;
}

InstanceLock::Delivery InstanceLock::handOver(const QStringList &message) {
    const Descriptor socket{connectedTo(m_socket)};
    if (socket.fd < 0 || !sendAll(socket.fd, encodeRequest(message))) return Delivery::notReached;
    // However long the instance takes to answer: while the connection is open, it is alive.
    const std::optional<QByteArray> line = readLine(socket.fd);
    if (!line) return Delivery::notReached;
    const QByteArray answer = line->trimmed();
    if (answer.startsWith(refusedAnswer)) {
        m_refusal = QString::fromUtf8(answer.mid(qsizetype(std::strlen(refusedAnswer)))).trimmed();
        if (m_refusal.isEmpty()) m_refusal = QStringLiteral("Pelicarta refused the request.");
        return Delivery::delivered;
    }
    if (answer == "error") {
        // Sending it again would only be refused again, however long this launch tried.
        m_refusal = QStringLiteral("The running Pelicarta did not understand the request.");
        return Delivery::delivered;
    }
    return answer == "ok" ? Delivery::delivered : Delivery::notReached;
}

bool InstanceLock::waitForEnd(int ms) {
    QDeadlineTimer deadline(ms);
    for (;;) {
        // Free once the instance has ended; let go at once, for the next launch to take.
        if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
            ::flock(m_lockFd, LOCK_UN);
            return true;
        }
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
}

} // namespace platform
