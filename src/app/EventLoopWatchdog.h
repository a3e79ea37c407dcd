#pragma once

#include <QObject>

// A diagnostic for soak runs: while it lives, a 2 ms timer on the GUI thread notices every stretch in
// which the event loop could not turn and logs those over 8 ms to standard error as
// "pelicarta-watchdog: busy <ms> ms at <seconds>", the seconds on the monotonic clock at the stretch's
// end (what other programs read as CLOCK_MONOTONIC). The figure is the gap between two turns, an
// upper bound of the busy stretch. Started by main when PELICARTA_WATCHDOG is set.
class EventLoopWatchdog : public QObject {
public:
    explicit EventLoopWatchdog(QObject *parent = nullptr);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    qint64 m_last = 0; // nanoseconds on the monotonic clock
};
