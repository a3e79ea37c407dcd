#include "platform/TerminationSignals.h"

#include "platform/Log.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// Written by the handler, read on the owner's thread; -1 when none is installed.
volatile sig_atomic_t writeEnd = -1;
int readEnd = -1;

// Only async-signal-safe calls here: write(2), and errno kept for the code the signal interrupted.
void onSignal(int number) {
    const int saved = errno;
    const char byte = static_cast<char>(number);
    if (writeEnd >= 0) {
        // A full pipe already holds a signal to be told.
        [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {
    int ends[2];
    if (readEnd >= 0 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcPlatform, "the end signals stay with their default handlers: no pipe for them");
        return;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    m_notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted calls go on: the rest of the program need not expect EINTR because of us.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &m_previous[i]);
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier) return;
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &m_previous[i], nullptr);
    const int write = writeEnd;
    writeEnd = -1;
    ::close(write);
    ::close(readEnd);
    readEnd = -1;
}

void TerminationSignals::readPipe() {
    char numbers[16];
    ssize_t count;
    while ((count = ::read(readEnd, numbers, sizeof numbers)) > 0)
        for (ssize_t i = 0; i < count; ++i) {
            qCInfo(lcPlatform, "signal %d: ending in order", int(numbers[i]));
            emit received(int(numbers[i]));
        }
}

} // namespace platform
