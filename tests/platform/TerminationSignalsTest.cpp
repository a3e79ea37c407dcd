#include "platform/TerminationSignals.h"
#include "support/Waiting.h"

#include <QSignalSpy>
#include <QThread>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

using platform::TerminationSignals;

// The signals a logout, a shutdown or Ctrl+C send reach the GUI thread as a Qt signal, however many and
// from whichever thread; the process lives on to end in order. Without the object they end it again.
TEST(TerminationSignalsTest, EndSignalsReachTheEventLoopInsteadOfEndingTheProcess) {
    {
        TerminationSignals ends;
        ASSERT_TRUE(ends.isActive());
        QSignalSpy received(&ends, &TerminationSignals::received);
        Qt::HANDLE receivedOn = nullptr;
        QObject::connect(&ends, &TerminationSignals::received, &ends,
                         [&] { receivedOn = QThread::currentThreadId(); });
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_TRUE(testsupport::received(received));
        EXPECT_EQ(received[0][0].toInt(), SIGTERM);
        EXPECT_EQ(receivedOn, QThread::currentThreadId());

        // From a worker, two in a row: each is told.
        QtConcurrent::run([] {
            ::kill(::getpid(), SIGINT);
            ::kill(::getpid(), SIGHUP);
        }).waitForFinished();
        ASSERT_TRUE(testsupport::received(received, 3));
        EXPECT_EQ(received[1][0].toInt() + received[2][0].toInt(), SIGINT + SIGHUP);
        EXPECT_NE(received[1][0].toInt(), received[2][0].toInt());
    }
    // Gone: the earlier handler is back (the default one would end this test program).
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}
