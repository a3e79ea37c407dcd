#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLockFile>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>

#include <unistd.h>

namespace platform {

namespace {

constexpr qint64 kMaxMessageBytes = 64 * 1024;

QByteArray encode(const QStringList &message) {
    return QJsonDocument(QJsonArray::fromStringList(message)).toJson(QJsonDocument::Compact) + '\n';
}

// A message is one line holding a JSON array of strings; anything else is ignored.
std::optional<QStringList> decode(const QByteArray &line) {
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isArray()) return std::nullopt;
    QStringList words;
    for (const QJsonValue &value : document.array()) {
        if (!value.isString()) return std::nullopt;
        words.append(value.toString());
    }
    return words;
}

bool answers(const QString &name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    return socket.waitForConnected(timeoutMs);
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent), m_name(name.isEmpty() ? defaultName() : std::move(name)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

// The server closes (removing its socket) before the lock is released, so that an instance starting
// right now never has its fresh socket removed by this one.
SingleInstance::~SingleInstance() { m_server->close(); }

QString SingleInstance::defaultName() {
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]")), QStringLiteral("_"));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return QStringLiteral("%1/pelicarta-%2.socket").arg(runtime, display);
    return QStringLiteral("pelicarta-%1-%2").arg(getuid()).arg(display);
}

bool SingleInstance::send(const QStringList &message, const QString &name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name.isEmpty() ? defaultName() : name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(encode(message));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    }
    return socket.readLine().trimmed() == "ok";
}

bool SingleInstance::listen() {
    // Two launches at once could both probe, find nobody and listen: listening with access options
    // renames over an existing socket. The lock file makes probe-then-listen one step per user and
    // display; a crashed holder's lock is stale (its process is gone) and is taken over.
    if (!m_lock) {
        const QString socketPath =
            QDir::isAbsolutePath(m_name) ? m_name : QDir(QDir::tempPath()).filePath(m_name);
        m_lock = std::make_unique<QLockFile>(socketPath + QStringLiteral(".lock"));
        m_lock->setStaleLockTime(0);
    }
    if (!m_lock->isLocked() && !m_lock->tryLock(0)) {
        // The holder may have taken the lock a moment ago and not be listening yet; the request
        // handed to it next would find no socket.
        const QDeadlineTimer deadline(2000);
        while (!answers(m_name, 100) && !deadline.hasExpired()) QThread::msleep(20);
        return false;
    }
    // An instance that does not take the lock (an older build) may still answer on the socket.
    if (answers(m_name, 500)) {
        m_lock->unlock();
        return false;
    }
    // Holding the lock with nobody answering: whatever socket is there was left by a crash.
    QLocalServer::removeServer(m_name);
    if (m_server->listen(m_name)) return true;
    m_lock->unlock();
    return false;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QPointer<QLocalSocket> guard(socket);
        connect(socket, &QLocalSocket::readyRead, this, [this, guard] {
            if (!guard) return;
            if (!guard->canReadLine()) {
                if (guard->bytesAvailable() > kMaxMessageBytes) guard->abort();
                return;
            }
            const std::optional<QStringList> message = decode(guard->readLine(kMaxMessageBytes));
            guard->write(message ? "ok\n" : "error\n");
            guard->flush();
            guard->disconnectFromServer();
            if (message) emit messageReceived(*message);
        });
    }
}

} // namespace platform
