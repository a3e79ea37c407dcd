#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace platform {

// The signals that ask the process to end (SIGTERM at logout or shutdown, SIGINT from a terminal's
// Ctrl+C, SIGHUP when the session's terminal goes), turned into a Qt signal on the thread that made
// this object, so that the application ends the orderly way it does on request. The handler only
// writes the signal's number into a pipe; everything else happens on that thread, on a turn of its
// event loop. While one exists a second signal is told again (it does not end the process at once); the
// signals' earlier handlers come back when it is destroyed. One at a time.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // Whether the handlers are in place (false when the pipe could not be made).
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_previous[3] = {};
};

} // namespace platform
