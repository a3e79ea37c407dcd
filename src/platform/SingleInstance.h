#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLockFile;

namespace platform {

// One running Pelicarta per user and display. The first instance listens on a local socket; a later
// launch hands its request (a list of words such as {"capture", "area"}) to it and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` empty: the socket of this user on this display.
    explicit SingleInstance(QString name = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket: in $XDG_RUNTIME_DIR when there is one (private to the user), else in the temporary
    // folder under a name holding the user id; the display's name is part of it either way.
    static QString defaultName();

    // Hands `message` to a running instance and waits for its acknowledgement. False when none runs
    // or it did not answer within `timeoutMs`.
    static bool send(const QStringList &message, const QString &name = {}, int timeoutMs = 3000);

    // Starts listening, holding the lock file next to the socket while this instance lives. A socket
    // left behind by a crashed instance is replaced; false when another instance answers on the
    // socket or holds the lock (then after waiting up to 2 s for it to answer), or the socket cannot
    // be created.
    bool listen();
    QString name() const { return m_name; }

signals:
    void messageReceived(const QStringList &message);

private:
    void acceptConnections();

    QString m_name;
    QLocalServer *m_server;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace platform
