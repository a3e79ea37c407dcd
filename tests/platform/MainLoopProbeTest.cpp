#include "platform/MainLoopProbe.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

// Runs the event loop until a timer 30 ms away fires: the loop waits for it.
void waitForATimer() {
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

TEST(MainLoopProbe, SeesTheLoopGoToWaitAndWakeUntilItGoes) {
    QElapsedTimer clock;
    clock.start();
    int befores = 0, afters = 0;
    qint64 waitBegan = -1;
    // The last wait that ended: when it began and when it ended.
    qint64 lastBegan = -1, lastEnded = -1;
    bool inOrder = true;
    auto probe = platform::MainLoopProbe::attach(
        [&] {
            inOrder = inOrder && befores == afters;
            ++befores;
            waitBegan = clock.nsecsElapsed();
        },
        [&] {
            inOrder = inOrder && afters + 1 == befores;
            ++afters;
            lastBegan = waitBegan;
            lastEnded = clock.nsecsElapsed();
        });
    ASSERT_NE(probe, nullptr) << "the test's event loop runs on GLib";

    // The loop sleeps for a timer between the two calls: the wait before the timer's call began before
    // the timer was due and ended once it was. On a busy machine the loop may reach its wait only after
    // that moment (then it has nothing to sleep for, and the round tells nothing): another round.
    constexpr qint64 kTimerNs = 30'000'000;
    bool sleptForIt = false, toldSomething = false;
    const QDeadlineTimer hang(testsupport::patienceMs);
    while (!toldSomething && !hang.hasExpired()) {
        QEventLoop loop;
        qint64 seenBegan = -1, seenEnded = -1;
        const qint64 due = clock.nsecsElapsed() + kTimerNs; // the timer is due no earlier
        QTimer::singleShot(kTimerNs / 1'000'000, &loop, [&] {
            seenBegan = lastBegan;
            seenEnded = lastEnded;
            loop.quit();
        });
        loop.exec();
        toldSomething = seenBegan >= 0 && seenBegan < due;
        sleptForIt = seenEnded >= due;
    }
    ASSERT_TRUE(toldSomething) << "the loop never went to wait before its timer was due";
    EXPECT_GT(afters, 0);
    EXPECT_TRUE(inOrder) << "each wait ends before the next begins";
    EXPECT_TRUE(sleptForIt) << "the loop slept for the timer between the two calls";

    probe.reset();
    const int seen = befores + afters;
    waitForATimer();
    EXPECT_EQ(befores + afters, seen) << "nothing is called once the probe is gone";
}
