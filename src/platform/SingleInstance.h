#pragma once

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

// One running Pelicarta per user and display. The first launch takes a lock and listens on a local
// socket; every later launch hands its request (words such as {"capture", "area"}) to it and ends.
//
// The lock (an flock on a file, released by the kernel when its holder ends, however it ends) decides:
// exactly one process holds it. A launch that does not get it waits for the holder's socket however
// long the holder takes to start or to answer, for as long as the holder lives, and takes over when it
// ends. A request is answered once the instance knows whether it carries it out (at once, unless the
// receiver asks to answer later), "ok" or a refusal with its reason ("error" for a line that is no
// request), and never sent twice to a live instance; a launch refused either way ends with the reason.
//
// Both live in a private folder of this user (PrivateFolder), and the server answers only connections
// of this user (peer credentials). Idle connections are closed after a few seconds and their number
// is capped, so that idle clients can neither exhaust the server's descriptors nor keep others out;
// a server that stopped listening, or whose socket was removed, listens again.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        primary,     // this launch holds the lock and listens
        handedOver,  // the running instance took the request
        unavailable, // no private folder, or no socket could be made
    };

    // `folder` empty: defaultFolder(). The socket and lock names hold the display's name.
    explicit SingleInstance(QString folder = {}, QObject *parent = nullptr);
    // Stops listening (removing the socket) before the lock is released, so that a launch taking over
    // never has its fresh socket removed by this one.
    ~SingleInstance() override;

    // The private folder of this user for the socket and the lock: PrivateFolder::loginFolder().
    static QString defaultFolder();

    // Decides this launch's role, handing `message` over when another instance runs.
    Role claim(const QStringList &message);

    QString socketPath() const { return m_socket; }

    // After claim() handed a request over: why the running instance refused to carry it out, or
    // empty when it took it.
    QString refusal() const { return m_refusal; }
    // After claim() handed a request over: waits until the running instance has ended (its lock is
    // free), for at most `ms` milliseconds; whether it has.
    bool waitForEnd(int ms);

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

    // A request on the wire: one line holding a JSON array of strings, of at most this many bytes
    // (its newline included); a client that sends more without a newline is dropped.
    static constexpr qint64 maxRequestBytes = 64 * 1024;
    static QByteArray encodeRequest(const QStringList &message);
    // The words of a request line; none for anything else.
    static std::optional<QStringList> decodeRequest(const QByteArray &line);

signals:
    void messageReceived(const QStringList &message);

private:
    enum class Delivery { delivered, notReached };
    Delivery handOver(const QStringList &message);
    bool tryLock();
    bool listenNow();
    void acceptConnections();
    // Answers a client whose request line has come; true when it was answered.
    bool serve(QLocalSocket *socket);
    void drop(QLocalSocket *socket);
    void checkHealth();

    QString m_folder;
    QString m_socket;
    QString m_lockPath;
    int m_lockFd = -1;
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
    QString m_refusal;
};

} // namespace platform
