#include "platform/SingleInstance.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>

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

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent), m_name(name.isEmpty() ? defaultName() : std::move(name)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() = default;

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
    // Checked first: listening with access options replaces an existing socket instead of failing.
    QLocalSocket running;
    running.connectToServer(m_name);
    if (running.waitForConnected(500)) return false;
    if (m_server->listen(m_name)) return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError) return false;
    // Someone answers: a live instance. Nobody: a socket left by a crash, safe to replace.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(500)) return false;
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
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
