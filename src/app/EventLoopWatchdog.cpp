#include "app/EventLoopWatchdog.h"

#include <QTimerEvent>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kIntervalMs = 2;
constexpr double kReportAboveMs = 8.0;

qint64 now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

EventLoopWatchdog::EventLoopWatchdog(QObject *parent) : QObject(parent), m_last(now()) {
    startTimer(kIntervalMs, Qt::PreciseTimer);
}

void EventLoopWatchdog::timerEvent(QTimerEvent *) {
    const qint64 at = now();
    const double gapMs = double(at - m_last) / 1e6;
    m_last = at;
    if (gapMs > kReportAboveMs) {
        std::fprintf(stderr, "pelicarta-watchdog: busy %.1f ms at %.3f\n", gapMs, double(at) / 1e9);
        std::fflush(stderr);
    }
}
