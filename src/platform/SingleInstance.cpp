#include "platform/SingleInstance.h"

#include "platform/Memory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <utility>
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
    : SingleInstance(std::make_unique<InstanceLock>(std::move(folder)), parent) {}

SingleInstance::SingleInstance(std::unique_ptr<InstanceLock> claimed, QObject *parent)
    : QObject(parent), m_lock(std::move(claimed)), m_server(new QLocalServer(this)), m_health(new QTimer(this)) {
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    connect(m_health, &QTimer::timeout, this, &SingleInstance::checkHealth);
}

SingleInstance::~SingleInstance() {
    m_server->close();
    m_lock.reset();
}

bool SingleInstance::isOwnUser(int descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof peer &&
           peer.uid == ::geteuid();
}

SingleInstance::Role SingleInstance::claim(const QStringList &message) {
    const Role role = m_lock->claim(message);
    if (role != Role::primary) return role;
    return listenNow() ? Role::primary : Role::unavailable;
}

bool SingleInstance::listen() { return m_lock->isHeld() && listenNow(); }

SingleInstance::Answer::~Answer() { refuse(QStringLiteral("Pelicarta did not carry the request out.")); }

void SingleInstance::Answer::accept() { send("ok\n"); }

void SingleInstance::Answer::refuse(const QString &reason) {
    QString line = reason;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    send(InstanceLock::refusedAnswer + line.toUtf8() + '\n');
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
    const QString path = m_lock->socketPath();
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) return false;
    m_socketInode = inodeOf(path);
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
        if (socket->bytesAvailable() > InstanceLock::maxRequestBytes) drop(socket);
        return false;
    }
    const std::optional<QStringList> message = InstanceLock::decodeRequest(socket->readLine(InstanceLock::maxRequestBytes));
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
    if (m_server->isListening() && inodeOf(m_lock->socketPath()) == m_socketInode && m_socketInode != 0) return;
    m_server->close();
    listenNow(); // when it fails, the next round tries again
}

} // namespace platform
