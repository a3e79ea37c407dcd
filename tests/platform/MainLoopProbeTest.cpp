#include "platform/MainLoopProbe.h"

#include <gtest/gtest.h>

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
    qint64 waitBegan = -1, waited = 0;
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
            waited += clock.nsecsElapsed() - waitBegan;
        });
    ASSERT_NE(probe, nullptr) << "the test's event loop runs on GLib";
    waitForATimer();
    EXPECT_GT(afters, 0);
    EXPECT_TRUE(inOrder) << "each wait ends before the next begins";
    // Other work may wake it on the way; most of the time it waits between the two calls.
    EXPECT_GE(waited, 20'000'000) << "the loop slept for the timer between the two calls";

    probe.reset();
    const int seen = befores + afters;
    waitForATimer();
    EXPECT_EQ(befores + afters, seen) << "nothing is called once the probe is gone";
}
