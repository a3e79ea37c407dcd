#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent>

#include <gtest/gtest.h>

using platform::SingleInstance;

namespace {

// The sending side blocks, so it runs on another thread while this one serves.
bool sendFromAnotherThread(const QStringList &message, const QString &name) {
    QFuture<bool> sent = QtConcurrent::run([=] { return SingleInstance::send(message, name, 3000); });
    if (!QTest::qWaitFor([&] { return sent.isFinished(); }, 5000)) return false;
    return sent.result();
}

} // namespace

TEST(SingleInstanceTest, OneListenerTakesTheRequestsOfLaterLaunches) {
    testsupport::TempFolder temp;
    const QString name = temp.file(QStringLiteral("pelicarta.socket"));
    EXPECT_FALSE(SingleInstance::send({QStringLiteral("show")}, name, 300)); // nobody runs yet

    SingleInstance first(name);
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    EXPECT_TRUE(sendFromAnotherThread({QStringLiteral("capture"), QStringLiteral("area")}, name));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 2000));
    EXPECT_EQ(received[0][0].toStringList(), (QStringList{QStringLiteral("capture"), QStringLiteral("area")}));

    // A second instance on the same socket does not take over a live one.
    SingleInstance second(name);
    EXPECT_FALSE(second.listen());

    // Garbage is answered with an error and never reaches the application.
    QLocalSocket raw;
    raw.connectToServer(name);
    ASSERT_TRUE(raw.waitForConnected(1000));
    raw.write("{\"not\": \"a list\"}\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return raw.canReadLine(); }, 2000));
    EXPECT_EQ(raw.readLine().trimmed(), QByteArray("error"));
    EXPECT_EQ(received.size(), 1);
}

TEST(SingleInstanceTest, ASocketLeftByACrashIsReplaced) {
    testsupport::TempFolder temp;
    const QString name = temp.file(QStringLiteral("stale.socket"));
    // A socket path nobody listens on, as a killed instance leaves it behind.
    ASSERT_TRUE(temp.write(QStringLiteral("stale.socket"), ""));
    SingleInstance instance(name);
    ASSERT_TRUE(instance.listen());
    QSignalSpy received(&instance, &SingleInstance::messageReceived);
    EXPECT_TRUE(sendFromAnotherThread({QStringLiteral("show")}, name));
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 2000));
    EXPECT_TRUE(SingleInstance::defaultName().contains(QStringLiteral("pelicarta")));
}

TEST(SingleInstanceTest, TheLockDecidesBetweenSimultaneousLaunches) {
    testsupport::TempFolder temp;
    const QString name = temp.file(QStringLiteral("race.socket"));
    {
        // A launch that holds the lock but is not listening yet: a second one must not listen too.
        QLockFile other(name + QStringLiteral(".lock"));
        ASSERT_TRUE(other.tryLock(0));
        SingleInstance late(name);
        EXPECT_FALSE(late.listen());
    }
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.listen());
        SingleInstance second(name);
        EXPECT_FALSE(second.listen());
    }
    // The first has quit: its lock and socket are gone, so the next launch takes over.
    SingleInstance next(name);
    EXPECT_TRUE(next.listen());

    // A lock left by a process that no longer exists is stale, as after a crash.
    const QString crashed = temp.file(QStringLiteral("crashed.socket"));
    ASSERT_TRUE(temp.write(QStringLiteral("crashed.socket.lock"), "2147483647\npelicarta\n\n"));
    SingleInstance afterCrash(crashed);
    EXPECT_TRUE(afterCrash.listen());
}
