#include "app/EventLoopWatchdog.h"

#include <QTimerEvent>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kIntervalMs = 2;
constexpr double kReportAboveMs = 8.0;

qint64 now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the GUI thread itself has run: on a loaded machine a stretch's wall time is also waiting for
// a processor.
qint64 threadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

EventLoopWatchdog::EventLoopWatchdog(QObject *parent) : QObject(parent), m_last(now()), m_lastCpu(threadCpu()) {
    startTimer(kIntervalMs, Qt::PreciseTimer);
}

void EventLoopWatchdog::timerEvent(QTimerEvent *) {
    const qint64 at = now(), cpu = threadCpu();
    const double gapMs = double(at - m_last) / 1e6, cpuMs = double(cpu - m_lastCpu) / 1e6;
    m_last = at;
    m_lastCpu = cpu;
    if (gapMs > kReportAboveMs) {
        std::fprintf(stderr, "pelicarta-watchdog: busy %.1f ms (cpu %.1f ms) at %.3f\n", gapMs, cpuMs, double(at) / 1e9);
        std::fflush(stderr);
    }
}
