#pragma once

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QString>

#include <memory>

namespace platform {
class MainLoopProbe;
}

// A diagnostic for soak runs: while it lives, a 2 ms timer on the GUI thread notices every stretch in
// which the event loop could not turn and logs those over 8 ms to standard error as
// "pelicarta-watchdog: busy <ms> ms (cpu <ms> ms, runnable <ms> ms) at <seconds>; longest event <ms> ms
// <receiver's class>[ "<its name>"] <event type>; outside events <ms> ms; between turns <ms> ms", the
// seconds on the monotonic clock at the stretch's end (what other programs read as CLOCK_MONOTONIC).
// The first figure is the busy stretch: from the moment the loop's last wait for events ended (less
// the time the woken thread then waited for a processor, which the user waits for as well) to the
// turn that ended it; then what the GUI thread ran since the previous turn and how long it waited for a
// processor, which on a loaded machine is much of the stretch; then the event that took longest to hand
// out, the time of the stretch spent outside any event (reading the X server's events, serving
// clipboard requests), and the gap between the two turns. Where the loop's waits cannot be seen
// (platform/MainLoopProbe) the stretch is that gap, an upper bound. Started by main when
// PELICARTA_WATCHDOG is set.
class EventLoopWatchdog : public QObject {
public:
    explicit EventLoopWatchdog(QObject *parent = nullptr);
    ~EventLoopWatchdog() override;

    // While a watchdog lives, logs "pelicarta-watchdog: <what> at <seconds>" (the monotonic clock), for
    // a soak run to time what it cannot see from outside.
    static void mark(const char *what);

    // The application object; it times the GUI thread's events while a watchdog lives.
    class Application : public QApplication {
    public:
        Application(int &argc, char **argv);
        bool notify(QObject *receiver, QEvent *event) override;
    };

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    struct Account {
        qint64 run = 0;  // nanoseconds the GUI thread has run
        qint64 wait = 0; // and waited, runnable, for a processor
    };
    Account account() const;
    struct Handed {
        const QMetaObject *receiverClass = nullptr;
        QString receiverName;
        QEvent::Type type = QEvent::None;
    };
    void noteEvent(const Handed &handed, qint64 took);
    void beforeWait();
    void afterWait();

    int m_schedstat = -1; // the GUI thread's scheduler statistics
    qint64 m_last = 0;    // nanoseconds on the monotonic clock
    Account m_lastAccount;
    std::unique_ptr<platform::MainLoopProbe> m_probe;
    qint64 m_waitBegan = 0;      // when the loop last went to wait for events
    qint64 m_runnableBefore = 0; // the GUI thread's time waiting for a processor by then
    qint64 m_woke = 0;           // when the loop's last wait ended: an event came
    // The GUI thread's events handed out since the last turn (outermost only): their time together
    // and the longest.
    qint64 m_inEvents = 0;
    qint64 m_longest = 0;
    QByteArray m_longestWhat;
};
