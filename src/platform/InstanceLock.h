#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// A launch's side of the one running Pelicarta (SingleInstance is the running one's): the lock that
// decides which launch runs, and the handing over of a request to the one that does. Plain system calls
// on a file and a local socket: a launch that hands its request over needs no application object, no
// event loop and no display.
//
// The lock (an flock, released by the kernel when its holder ends, however it ends, and at an exec)
// decides: exactly one process holds it. A launch that does not get it waits for the holder's socket
// however long the holder takes to start or to answer, for as long as the holder lives, and takes over
// when it ends. A request is never sent twice to a live instance.
class InstanceLock {
public:
    enum class Role {
        primary,     // this launch holds the lock; it is the instance once it listens (SingleInstance)
        handedOver,  // the running instance took the request, or refused it (refusal())
        unavailable, // no private folder, or no lock could be made
    };

    // `folder` empty: defaultFolder(). The socket and lock names hold the display's name.
    explicit InstanceLock(QString folder = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // The private folder of this user for the socket and the lock: PrivateFolder::loginFolder().
    static QString defaultFolder();

    // Decides this launch's role, handing `message` over when another instance runs.
    Role claim(const QStringList &message);

    QString folder() const { return m_folder; }
    QString socketPath() const { return m_socket; }
    bool isHeld() const;

    // After claim() handed a request over: why the running instance refused to carry it out, or
    // empty when it took it.
    QString refusal() const { return m_refusal; }
    // After claim() handed a request over: waits until the running instance has ended (its lock is
    // free), for at most `ms` milliseconds; whether it has.
    bool waitForEnd(int ms);

    // A request on the wire: one line holding a JSON array of strings, of at most this many bytes
    // (its newline included); a client that sends more without a newline is dropped. The answer is one
    // line: "ok", "refused " and the reason, or "error" for a line that is no request.
    static constexpr qint64 maxRequestBytes = 64 * 1024;
    static QByteArray encodeRequest(const QStringList &message);
    // The words of a request line; none for anything else.
    static std::optional<QStringList> decodeRequest(const QByteArray &line);
    static constexpr char refusedAnswer[] = "refused ";

private:
    enum class Delivery { delivered, notReached };
    Delivery handOver(const QStringList &message);
    bool tryLock();

    QString m_folder;
    QString m_socket;
    QString m_lockPath;
    int m_lockFd = -1;
    bool m_held = false;
    QString m_refusal;
};

} // namespace platform
