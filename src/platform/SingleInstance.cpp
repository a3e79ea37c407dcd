#include "platform/SingleInstance.h"

#include "platform/Log.h"
#include "platform/Memory.h"
#include "platform/PrivateFolder.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A request is one short line, written right after connecting.
constexpr qint64 kIdleMs = 5000;
// Far below the usual 1,024 descriptors; a launch is served within milliseconds.
constexpr int kMaxClients = 64;
constexpr int kHealthMs = 1000;
// The answer that refuses a request, followed by the reason.
constexpr char kRefused[] = "refused ";

qint64 now() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

ino_t inodeOf(const QString &path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject *parent)
    : QObject(parent), m_folder(folder.isEmpty() ? defaultFolder() : std::move(folder)),
      m_server(new QLocalServer(this)), m_health(new QTimer(this)) {
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]")), QStringLiteral("_"));
    if (!m_folder.isEmpty()) {
        m_socket = QStringLiteral("%1/pelicarta-%2.socket").arg(m_folder, display);
        m_lockPath = QStringLiteral("%1/pelicarta-%2.lock").arg(m_folder, display);
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    connect(m_health, &QTimer::timeout, this, &SingleInstance::checkHealth);
}

SingleInstance::~SingleInstance() {
    m_server->close();
    if (m_lockFd >= 0) ::close(m_lockFd);
}

QString SingleInstance::defaultFolder() { return PrivateFolder::loginFolder(); }

QByteArray SingleInstance::encodeRequest(const QStringList &message) {
    return QJsonDocument(QJsonArray::fromStringList(message)).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QStringList> SingleInstance::decodeRequest(const QByteArray &line) {
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isArray()) return std::nullopt;
    QStringList words;
    for (const QJsonValue &value : document.array()) {
        if (!value.isString()) return std::nullopt;
        words.append(value.toString());
    }
    return words;
}

bool SingleInstance::isOwnUser(int descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof peer &&
           peer.uid == ::geteuid();
}

SingleInstance::Role SingleInstance::claim(const QStringList &message) {
    if (m_folder.isEmpty() || PrivateFolder::check(m_folder) != PrivateFolder::Problem::none) return Role::unavailable;
    QElapsedTimer waiting;
    waiting.start();
    bool told = false;
    for (;;) {
        if (tryLock()) return listenNow() ? Role::primary : Role::unavailable;
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

bool SingleInstance::tryLock() {
    if (m_lockFd < 0) {
        m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_lockFd < 0) return false;
    }
    return ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
}

SingleInstance::Delivery SingleInstance::handOver(const QStringList &message) {
    QLocalSocket socket;
    socket.connectToServer(m_socket);
    if (!socket.waitForConnected(1000)) return Delivery::notReached;
    socket.write(encodeRequest(message));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(1000) && socket.state() != QLocalSocket::ConnectedState)
            return Delivery::notReached;
    // However long the instance takes to answer: while the connection is open, it is alive.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(1000) && socket.state() != QLocalSocket::ConnectedState && !socket.canReadLine())
            return Delivery::notReached;
    }
    const QByteArray answer = socket.readLine().trimmed();
    if (answer.startsWith(kRefused)) {
        m_refusal = QString::fromUtf8(answer.mid(qsizetype(std::strlen(kRefused)))).trimmed();
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

bool SingleInstance::waitForEnd(int ms) {
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

SingleInstance::Answer::~Answer() { refuse(QStringLiteral("Pelicarta did not carry the request out.")); }

void SingleInstance::Answer::accept() { send("ok\n"); }

void SingleInstance::Answer::refuse(const QString &reason) {
    QString line = reason;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    send(kRefused + line.toUtf8() + '\n');
}

void SingleInstance::Answer::send(const QByteArray &line) {
    // Once: the socket is let go with the first answer.
    QLocalSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket) return;
    socket->write(line);
    socket->flush();
    socket->disconnectFromServer();
    socket->deleteLater();
}

std::shared_ptr<SingleInstance::Answer> SingleInstance::answerLater() {
    if (!m_delivering) return nullptr;
    if (!m_answerLater) {
        m_answerLater = std::make_shared<Answer>();
        m_answerLater->m_socket = m_delivering;
    }
    return m_answerLater;
}

bool SingleInstance::listenNow() {
    // Holding the lock, any socket at the path was left by an instance that ended.
    QLocalServer::removeServer(m_socket);
    if (!m_server->listen(m_socket)) return false;
    m_socketInode = inodeOf(m_socket);
    m_health->start(kHealthMs);
    // A launch now and then is all the network library serves: the trim after the work it asked for
    // hands back the pages that serving it read.
    QSet<QString> network;
    for (const QString &file : Memory::mappedFiles())
        if (file.contains(QLatin1String("/libQt6Network"))) network.insert(file);
    Memory::releaseWithEveryTrim(network);
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (!isOwnUser(int(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_clients.append({socket, now() + kIdleMs});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        // Over the cap, the oldest goes: its request is taken if it has come.
        while (m_clients.size() > kMaxClients) {
            QLocalSocket *oldest = m_clients.first().socket;
            if (oldest && !oldest->canReadLine()) oldest->waitForReadyRead(0);
            if (!oldest || !serve(oldest)) drop(oldest);
        }
    }
}

bool SingleInstance::serve(QLocalSocket *socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxRequestBytes) drop(socket);
        return false;
    }
    const std::optional<QStringList> message = decodeRequest(socket->readLine(maxRequestBytes));
    // No longer an idle client: it waits for its answer, which closes it.
    m_clients.removeIf([socket](const Client &client) { return !client.socket || client.socket == socket; });
    socket->disconnect(this);
    if (!message) {
        socket->write("error\n");
        socket->flush();
        drop(socket);
        return true;
    }
    m_delivering = socket;
    m_answerLater.reset();
    emit messageReceived(*message);
    m_delivering = nullptr;
    // Answered now unless a receiver keeps the answer for later.
    const std::shared_ptr<Answer> later = std::exchange(m_answerLater, nullptr);
    if (!later) {
        Answer now;
        now.m_socket = socket;
        now.accept();
    }
    return true;
}

void SingleInstance::drop(QLocalSocket *socket) {
    m_clients.removeIf([socket](const Client &client) { return !client.socket || client.socket == socket; });
    if (!socket) return;
    socket->disconnect(this);
    socket->disconnectFromServer();
    if (socket->state() != QLocalSocket::UnconnectedState) socket->abort();
    socket->deleteLater();
}

void SingleInstance::checkHealth() {
    const qint64 time = now();
    const QList<Client> clients = m_clients;
    for (const Client &client : clients) {
        if (!client.socket || client.deadline > time) continue;
        if (!client.socket->canReadLine()) client.socket->waitForReadyRead(0);
        if (!serve(client.socket)) drop(client.socket);
    }
    // Qt stops listening (and removes the socket) when accepting fails, as when descriptors run out.
    if (m_server->isListening() && inodeOf(m_socket) == m_socketInode && m_socketInode != 0) return;
    m_server->close();
    listenNow(); // when it fails, the next round tries again
}

} // namespace platform
