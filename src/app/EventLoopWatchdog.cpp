#include "app/EventLoopWatchdog.h"

#include <QTimerEvent>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kIntervalMs = 2;
constexpr double kReportAboveMs = 8.0;

qint64 now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// The kernel's account of the GUI thread: nanoseconds run and waited for a processor while runnable.
// On a loaded machine much of a stretch's wall time can be that wait. Without scheduler statistics,
// the thread's CPU clock and no wait.
EventLoopWatchdog::Account EventLoopWatchdog::account() const {
    if (m_schedstat >= 0) {
        char text[96] = {};
        const ssize_t n = ::pread(m_schedstat, text, sizeof text - 1, 0);
        long long run = 0, wait = 0;
        if (n > 0 && std::sscanf(text, "%lld %lld", &run, &wait) == 2) return {run, wait};
    }
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return {qint64(t.tv_sec) * 1000000000 + t.tv_nsec, 0};
}

EventLoopWatchdog::EventLoopWatchdog(QObject *parent)
    : QObject(parent), m_schedstat(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)), m_last(now()),
      m_lastAccount(account()) {
    startTimer(kIntervalMs, Qt::PreciseTimer);
}

EventLoopWatchdog::~EventLoopWatchdog() {
    if (m_schedstat >= 0) ::close(m_schedstat);
}

void EventLoopWatchdog::timerEvent(QTimerEvent *) {
    const qint64 at = now();
    const Account was = std::exchange(m_lastAccount, account());
    const double gapMs = double(at - m_last) / 1e6;
    m_last = at;
    if (gapMs > kReportAboveMs) {
        std::fprintf(stderr, "pelicarta-watchdog: busy %.1f ms (cpu %.1f ms, runnable %.1f ms) at %.3f\n", gapMs,
                     double(m_lastAccount.run - was.run) / 1e6, double(m_lastAccount.wait - was.wait) / 1e6,
                     double(at) / 1e9);
        std::fflush(stderr);
    }
}
