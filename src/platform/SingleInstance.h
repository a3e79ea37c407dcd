#pragma once

#include "platform/InstanceLock.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace platform {

// One running Pelicarta per user and display: the running one's side. A launch takes the lock or hands
// its request (words such as {"capture", "area"}) over to the one holding it (InstanceLock, which needs
// no application object); the launch that holds the lock listens here on a local socket.
//
// A request is answered once the instance knows whether it carries it out (at once, unless the
// receiver asks to answer later), "ok" or a refusal with its reason ("error" for a line that is no
// request); a launch refused either way ends with the reason.
//
// Both live in a private folder of this user (PrivateFolder), and the server answers only connections
// of this user (peer credentials). Idle connections are closed after a few seconds and their number
// is capped, so that idle clients can neither exhaust the server's descriptors nor keep others out;
// a server that stopped listening, or whose socket was removed, listens again.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // primary: this launch holds the lock and listens; unavailable: no private folder, or no lock or
    // socket could be made.
    using Role = InstanceLock::Role;

    // `folder` empty: defaultFolder(). The socket and lock names hold the display's name.
    explicit SingleInstance(QString folder = {}, QObject *parent = nullptr);
    // The instance of a launch whose lock claimed the primary role; it listens once listen() is called.
    explicit SingleInstance(std::unique_ptr<InstanceLock> claimed, QObject *parent = nullptr);
    // Stops listening (removing the socket) before the lock is released, so that a launch taking over
    // never has its fresh socket removed by this one.
    ~SingleInstance() override;

    static QString defaultFolder() { return InstanceLock::defaultFolder(); }

    // Decides this launch's role, handing `message` over when another instance runs, and listens when
    // it is the primary one.
    Role claim(const QStringList &message);
    // Listens, the lock being held; whether it does.
    bool listen();

    QString socketPath() const { return m_lock->socketPath(); }
    // See InstanceLock.
    QString refusal() const { return m_lock->refusal(); }
    bool waitForEnd(int ms) { return m_lock->waitForEnd(ms); }

    // The answer to a request of a later launch, which waits for it. Given once; one never given
    // refuses the request when the last copy goes.
    class Answer {
    public:
        ~Answer();
        void accept();
        void refuse(const QString &reason);

    private:
        friend class SingleInstance;
        void send(const QByteArray &line);
        QPointer<QLocalSocket> m_socket;
    };
    // Inside a receiver of messageReceived, for one that knows only later whether it can carry the
    // request out; a request not asked about is accepted once the receivers have returned.
    std::shared_ptr<Answer> answerLater();

    // Whether the process at the other end of the connected local socket `descriptor` runs as this
    // user.
    static bool isOwnUser(int descriptor);

signals:
    void messageReceived(const QStringList &message);

private:
    bool listenNow();
    void acceptConnections();
    // Answers a client whose request line has come; true when it was answered.
    bool serve(QLocalSocket *socket);
    void drop(QLocalSocket *socket);
    void checkHealth();

    std::unique_ptr<InstanceLock> m_lock;
    QLocalServer *m_server;
    QTimer *m_health;
    ino_t m_socketInode = 0;
    struct Client {
        QPointer<QLocalSocket> socket;
        qint64 deadline = 0; // monotonic milliseconds
    };
    QList<Client> m_clients;               // oldest first
    QLocalSocket *m_delivering = nullptr;  // the request whose receivers run now
    std::shared_ptr<Answer> m_answerLater; // asked for by one of them
};

} // namespace platform
