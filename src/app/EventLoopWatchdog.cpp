#include "app/EventLoopWatchdog.h"

#include "platform/MainLoopProbe.h"

#include <QEvent>
#include <QMetaEnum>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kIntervalMs = 2;
constexpr double kReportAboveMs = 8.0;
// A wait shorter than this is the loop looking for more work, not sleeping.
constexpr qint64 kSleptNs = 100'000;

qint64 now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

EventLoopWatchdog *active = nullptr; // touched on the GUI thread only
int depth = 0;                       // of the GUI thread's events being handed out

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
    active = this;
    m_probe = platform::MainLoopProbe::attach([this] { beforeWait(); }, [this] { afterWait(); });
    startTimer(kIntervalMs, Qt::PreciseTimer);
}

EventLoopWatchdog::~EventLoopWatchdog() {
    m_probe.reset();
    if (active == this) active = nullptr;
    if (m_schedstat >= 0) ::close(m_schedstat);
}

void EventLoopWatchdog::mark(const char *what) {
    if (!active) return;
    std::fprintf(stderr, "pelicarta-watchdog: %s at %.3f\n", what, double(now()) / 1e9);
    std::fflush(stderr);
}

EventLoopWatchdog::Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool EventLoopWatchdog::Application::notify(QObject *receiver, QEvent *event) {
    if (!active || QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
    if (depth > 0) return QApplication::notify(receiver, event);
    // Taken now: the receiver may delete itself (DeferredDelete) and the event go with it.
    const Handed handed{receiver->metaObject(), receiver->objectName(), event->type()};
    const qint64 began = now();
    ++depth;
    const bool result = QApplication::notify(receiver, event);
    --depth;
    // An event may end the watchdog.
    if (active) active->noteEvent(handed, now() - began);
    return result;
}

void EventLoopWatchdog::noteEvent(const Handed &handed, qint64 took) {
    m_inEvents += took;
    if (took <= m_longest) return;
    m_longest = took;
    static const QMetaEnum types = QMetaEnum::fromType<QEvent::Type>();
    const char *type = types.valueToKey(handed.type);
    m_longestWhat = handed.receiverClass->className();
    if (!handed.receiverName.isEmpty()) m_longestWhat += " \"" + handed.receiverName.toUtf8() + '"';
    m_longestWhat += ' ';
    m_longestWhat += type ? QByteArray(type) : QByteArray::number(int(handed.type));
}

void EventLoopWatchdog::beforeWait() {
    m_runnableBefore = account().wait;
    m_waitBegan = now();
}

void EventLoopWatchdog::afterWait() {
    const qint64 at = now();
    // A thread woken on a busy machine may wait for a processor before it runs: that wait is part of
    // the stretch the user sees, so the stretch begins when the wake came, not when the thread ran.
    const qint64 runnable = account().wait - m_runnableBefore;
    if (at - m_waitBegan - runnable <= kSleptNs) return;
    m_woke = at - runnable;
    // What was handed out before the loop slept is not this stretch's.
    m_inEvents = 0;
    m_longest = 0;
}

void EventLoopWatchdog::timerEvent(QTimerEvent *) {
    const qint64 at = now();
    const Account was = std::exchange(m_lastAccount, account());
    const qint64 gap = at - m_last;
    const qint64 busy = at - std::max(m_last, m_woke);
    m_last = at;
    // This timer event is still being handed out: what came before it is the stretch's.
    const qint64 inEvents = std::exchange(m_inEvents, 0);
    const qint64 longest = std::exchange(m_longest, 0);
    if (double(busy) / 1e6 > kReportAboveMs) {
        std::fprintf(stderr,
                     "pelicarta-watchdog: busy %.1f ms (cpu %.1f ms, runnable %.1f ms) at %.3f; longest event %.1f ms "
                     "%s; outside events %.1f ms; between turns %.1f ms\n",
                     double(busy) / 1e6, double(m_lastAccount.run - was.run) / 1e6,
                     double(m_lastAccount.wait - was.wait) / 1e6, double(at) / 1e9, double(longest) / 1e6,
                     longest > 0 ? m_longestWhat.constData() : "none",
                     double(std::max<qint64>(0, busy - inEvents)) / 1e6, double(gap) / 1e6);
        std::fflush(stderr);
    }
}
