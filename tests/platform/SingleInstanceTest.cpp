#include "platform/PrivateFolder.h"
#include "platform/SingleInstance.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::SingleInstance;
using Role = SingleInstance::Role;

namespace {

// A later launch: it blocks until it knows its role, so it runs on another thread while this one
// serves.
QFuture<Role> launch(const QString &folder, const QStringList &message) {
    return QtConcurrent::run([=] { return SingleInstance(folder).claim(message); });
}

bool finishes(const QFuture<Role> &future) {
    return testsupport::becomes([&] { return future.isFinished(); });
}

class SingleInstanceTest : public ::testing::Test {
protected:
    testsupport::TempFolder temp;
    QString folder() const { return temp.path(); }
};

} // namespace

TEST_F(SingleInstanceTest, OneInstanceTakesTheRequestsOfLaterLaunches) {
    SingleInstance first(folder());
    ASSERT_EQ(first.claim({QStringLiteral("show")}), Role::primary);
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    const auto later = launch(folder(), {QStringLiteral("capture"), QStringLiteral("area")});
    ASSERT_TRUE(finishes(later));
    EXPECT_EQ(later.result(), Role::handedOver);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0][0].toStringList(), (QStringList{QStringLiteral("capture"), QStringLiteral("area")}));

    // Garbage is answered with an error and never reaches the application.
    QLocalSocket raw;
    raw.connectToServer(first.socketPath());
    ASSERT_TRUE(raw.waitForConnected(testsupport::patienceMs));
    raw.write("{\"not\": \"a list\"}\n");
    ASSERT_TRUE(testsupport::becomes([&] { return raw.canReadLine(); }));
    EXPECT_EQ(raw.readLine().trimmed(), QByteArray("error"));
    EXPECT_EQ(received.size(), 1);
}

// A request the instance can only later say it carried out keeps its launch waiting until then; a
// refusal reaches the launch with its reason, as does an answer the instance never gave. A launch that
// asked the instance to end learns when it has.
TEST_F(SingleInstanceTest, ALaunchLearnsWhetherItsRequestWasCarriedOut) {
    auto first = std::make_unique<SingleInstance>(folder());
    ASSERT_EQ(first->claim({}), Role::primary);
    std::map<QString, std::shared_ptr<SingleInstance::Answer>> answers;
    QObject::connect(first.get(), &SingleInstance::messageReceived, first.get(), [&](const QStringList &message) {
        if (message.first() != QLatin1String("quit")) answers[message.first()] = first->answerLater();
    });
    const QString place = folder();
    // Each launch waits for its answer: a thread of its own for each, whatever the processor count.
    QThreadPool launches;
    launches.setMaxThreadCount(3);
    const auto ask = [&](const QString &word) {
        return QtConcurrent::run(&launches, [place, word] {
            SingleInstance later(place);
            later.claim({word});
            return later.refusal();
        });
    };
    auto accepted = ask(QStringLiteral("one"));
    auto refused = ask(QStringLiteral("two"));
    auto forgotten = ask(QStringLiteral("three"));
    ASSERT_TRUE(testsupport::becomes([&] { return answers.size() == 3; }));
    // Nothing has gone back to them: every answer ends its connection, and all three are still open.
    testsupport::settle();
    const QList<QLocalSocket *> connections = first->findChildren<QLocalSocket *>();
    EXPECT_EQ(std::count_if(connections.cbegin(), connections.cend(),
                            [](const QLocalSocket *s) { return s->state() == QLocalSocket::ConnectedState; }),
              3);
    EXPECT_FALSE(accepted.isFinished() || refused.isFinished() || forgotten.isFinished());
    answers[QStringLiteral("one")]->accept();
    answers[QStringLiteral("two")]->refuse(QStringLiteral("busy with an earlier capture\nsecond line"));
    answers.clear();
    ASSERT_TRUE(
        testsupport::becomes([&] { return accepted.isFinished() && refused.isFinished() && forgotten.isFinished(); }));
    EXPECT_EQ(accepted.result(), QString());
    EXPECT_EQ(refused.result(), QStringLiteral("busy with an earlier capture second line"));
    EXPECT_FALSE(forgotten.result().isEmpty());

    // The instance ends only once the launch has seen it still running.
    struct Seen {
        std::atomic_bool handedOver{false}, endedEarly{true};
    };
    const auto seen = std::make_shared<Seen>();
    auto quitting = QtConcurrent::run([place, seen] {
        SingleInstance later(place);
        const bool taken = later.claim({QStringLiteral("quit")}) == Role::handedOver && later.refusal().isEmpty();
        seen->endedEarly = later.waitForEnd(300);
        seen->handedOver = taken;
        return taken && later.waitForEnd(testsupport::patienceMs);
    });
    ASSERT_TRUE(testsupport::becomes([&] { return seen->handedOver || quitting.isFinished(); }));
    EXPECT_FALSE(seen->endedEarly) << "the launch learnt of an end that had not come";
    EXPECT_FALSE(quitting.isFinished());
    first.reset();
    ASSERT_TRUE(testsupport::becomes([&] { return quitting.isFinished(); }));
    EXPECT_TRUE(quitting.result());
}

// An instance that could not read the request answers "error": the launch ends refused rather than send
// it again for as long as that instance lives.
TEST_F(SingleInstanceTest, ALaunchAnsweredWithAnErrorEndsRefused) {
    SingleInstance probe(folder());
    const QString lockPath = QString(probe.socketPath()).replace(QLatin1String(".socket"), QLatin1String(".lock"));
    const int lock = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    QLocalServer server;
    ASSERT_TRUE(server.listen(probe.socketPath()));
    int served = 0;
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
        QLocalSocket *client = server.nextPendingConnection();
        ++served;
        QObject::connect(client, &QLocalSocket::readyRead, client, [client] {
            if (!client->canReadLine()) return;
            client->write("error\n");
            client->disconnectFromServer();
        });
    });
    const QString place = folder();
    auto launched = QtConcurrent::run([place] {
        SingleInstance later(place);
        return std::pair{later.claim({QStringLiteral("capture"), QStringLiteral("scrolling")}), later.refusal()};
    });
    ASSERT_TRUE(testsupport::becomes([&] { return launched.isFinished(); }));
    EXPECT_EQ(launched.result().first, Role::handedOver);
    EXPECT_FALSE(launched.result().second.isEmpty());
    EXPECT_EQ(served, 1);
    ::close(lock);
}

TEST_F(SingleInstanceTest, ALaunchWaitsForABusyInstanceAndTakesOverFromOneThatEnded) {
    {
        SingleInstance first(folder());
        ASSERT_EQ(first.claim({}), Role::primary);
        QSignalSpy received(&first, &SingleInstance::messageReceived);
        // The instance is busy (its event loop does not run) for longer than any time-out of old.
        const auto later = launch(folder(), {QStringLiteral("capture"), QStringLiteral("fullscreen")});
        QThread::sleep(4);
        EXPECT_FALSE(later.isFinished());
        ASSERT_TRUE(finishes(later));
        EXPECT_EQ(later.result(), Role::handedOver);
        EXPECT_EQ(received.size(), 1);
    }
    // A launch holding the lock but not listening yet (starting up): the next one waits, and takes
    // over when that launch ends without ever listening. A killed holder's lock goes with it.
    const QString lock =
        SingleInstance(folder()).socketPath().replace(QStringLiteral(".socket"), QStringLiteral(".lock"));
    const int holder = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const auto waiting = launch(folder(), {QStringLiteral("show")});
    QThread::msleep(1500);
    EXPECT_FALSE(waiting.isFinished());
    ::close(holder);
    ASSERT_TRUE(finishes(waiting));
    EXPECT_EQ(waiting.result(), Role::primary);
}

TEST_F(SingleInstanceTest, IdleClientsAreCappedAndTimedOutAndAGoneSocketIsMadeAgain) {
    SingleInstance first(folder());
    ASSERT_EQ(first.claim({}), Role::primary);
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 200; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(first.socketPath());
    }
    auto stillOpen = [&] {
        return std::count_if(idle.begin(), idle.end(),
                             [](const auto &s) { return s->state() == QLocalSocket::ConnectedState; });
    };
    // Beyond the cap the oldest are let go at once; the rest when they stay silent.
    EXPECT_TRUE(testsupport::becomes([&] { return stillOpen() <= 64; })) << stillOpen();
    const auto later = launch(folder(), {QStringLiteral("show")});
    ASSERT_TRUE(finishes(later));
    EXPECT_EQ(later.result(), Role::handedOver);
    EXPECT_TRUE(testsupport::becomes([&] { return stillOpen() == 0; })) << stillOpen();

    // The socket removed under a running instance is made again: launches still reach it.
    ASSERT_TRUE(QFile::remove(first.socketPath()));
    EXPECT_TRUE(testsupport::becomes([&] { return QFileInfo::exists(first.socketPath()); }));
    const auto again = launch(folder(), {QStringLiteral("show")});
    ASSERT_TRUE(finishes(again));
    EXPECT_EQ(again.result(), Role::handedOver);
    EXPECT_EQ(received.size(), 2);
}

TEST_F(SingleInstanceTest, ConnectionsOfAnotherUserAreRefused) {
    if (!testsupport::runsAsRoot()) GTEST_SKIP() << "needs root to connect as another user";
    SingleInstance first(folder());
    ASSERT_EQ(first.claim({}), Role::primary);
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    // Even with the folder and the socket opened to everybody by mistake.
    ::chmod(QFile::encodeName(folder()).constData(), 0711);
    ::chmod(QFile::encodeName(first.socketPath()).constData(), 0777);
    const QByteArray path = QFile::encodeName(first.socketPath());
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls in the child of a threaded process.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) ::_exit(3);
        static const char request[] = "[\"quit\"]\n";
        if (::write(fd, request, sizeof request - 1) < 0) ::_exit(4);
        char answer[8];
        ::_exit(::read(fd, answer, sizeof answer) > 0 ? 1 : 0); // 0: closed without an answer
    }
    int status = -1;
    ASSERT_TRUE(testsupport::becomes([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The connection was closed before it was served: nothing of it is left to arrive.
    testsupport::settle();
    EXPECT_EQ(received.size(), 0);
}

TEST(SingleInstanceFolderTest, WithoutARuntimeFolderSocketAndLockLiveInAPrivateFolder) {
    testsupport::TempFolder temp;
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", QString());
    testsupport::ScopedEnvironment tmp("TMPDIR", temp.path());
    testsupport::ScopedEnvironment cache("XDG_CACHE_HOME", temp.file(QStringLiteral("cache")));
    const QString guessable = temp.file(QStringLiteral("pelicarta-%1").arg(::geteuid()));
    EXPECT_EQ(SingleInstance::defaultFolder(), guessable);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(guessable).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
    EXPECT_TRUE(SingleInstance(QString()).socketPath().startsWith(guessable + QLatin1Char('/')));

    // Another user made the guessable name first: it is not used.
    if (!testsupport::runsAsRoot()) return;
    ASSERT_TRUE(QDir(guessable).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(guessable));
    ASSERT_EQ(::chown(QFile::encodeName(guessable).constData(), 65534, 65534), 0);
    ::chmod(QFile::encodeName(guessable).constData(), 0777);
    EXPECT_EQ(SingleInstance::defaultFolder(), temp.file(QStringLiteral("cache/Pelicarta")));
    EXPECT_TRUE(QDir(guessable).isEmpty());
}

// A runtime folder that is private but that we may not write in (read-only, immutable): no lock and no
// socket could be made there, so every launch would run as the only one.
TEST(SingleInstanceFolderTest, ARuntimeFolderWeMayNotWriteInIsPassedOver) {
    testsupport::TempFolder temp;
    const QString runtime = temp.file(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    ::chmod(QFile::encodeName(runtime).constData(), 0500);
    // Root writes through the mode bits; the immutable flag stops it too.
    const int fd = ::open(QFile::encodeName(runtime).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool immutable = testsupport::runsAsRoot() && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           ::ioctl(fd, FS_IOC_SETFLAGS, &(flags |= FS_IMMUTABLE_FL)) == 0;
    const auto restore = qScopeGuard([&] {
        flags &= ~FS_IMMUTABLE_FL;
        if (immutable) ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        ::close(fd);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
    });
    if (testsupport::runsAsRoot() && !immutable) GTEST_SKIP() << "the temporary folder takes no immutable flag";
    testsupport::ScopedEnvironment xdg("XDG_RUNTIME_DIR", runtime);
    testsupport::ScopedEnvironment tmp("TMPDIR", temp.path());
    EXPECT_EQ(platform::PrivateFolder::runtimeFolder(), QString());
    EXPECT_EQ(SingleInstance::defaultFolder(), temp.file(QStringLiteral("pelicarta-%1").arg(::geteuid())));

    // Two launches there: one instance, the other hands over.
    SingleInstance first(SingleInstance::defaultFolder());
    ASSERT_EQ(first.claim({}), Role::primary);
    const auto later = launch(SingleInstance::defaultFolder(), {QStringLiteral("show")});
    ASSERT_TRUE(finishes(later));
    EXPECT_EQ(later.result(), Role::handedOver);
}
