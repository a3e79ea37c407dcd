#pragma once

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QString>

// A diagnostic for soak runs: while it lives, a 2 ms timer on the GUI thread notices every stretch in
// which the event loop could not turn and logs those over 8 ms to standard error as
// "pelicarta-watchdog: busy <ms> ms (cpu <ms> ms, runnable <ms> ms) at <seconds>; longest event <ms> ms
// <receiver's class>[ "<its name>"] <event type>; outside events <ms> ms", the seconds on the monotonic
// clock at the stretch's end (what other programs read as CLOCK_MONOTONIC). The first figure is the gap
// between two turns, an upper bound of the busy stretch; then what the GUI thread ran in it and how long
// it waited for a processor, which on a loaded machine is much of the gap; then the event that took
// longest to hand out and the time spent outside any event (reading the X server's events, serving
// clipboard requests). Started by main when PELICARTA_WATCHDOG is set.
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

    int m_schedstat = -1; // the GUI thread's scheduler statistics
    qint64 m_last = 0;    // nanoseconds on the monotonic clock
    Account m_lastAccount;
    // The GUI thread's events handed out since the last turn (outermost only): their time together
    // and the longest.
    qint64 m_inEvents = 0;
    qint64 m_longest = 0;
    QByteArray m_longestWhat;
};
