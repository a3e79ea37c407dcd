#include "capture/CaptureFile.h"

CaptureFile::Ptr CaptureFile::pending() { return std::make_shared<CaptureFile>(); }

CaptureFile::Ptr CaptureFile::known(const QString &path) {
    Ptr file = pending();
    file->settle(path);
    return file;
}

void CaptureFile::whenWritten(QObject *context, std::function<void(const QString &)> receiver) {
    if (!m_settled) {
        m_waiters.push_back({context, std::move(receiver)});
        return;
    }
    if (context && !m_path.isEmpty()) receiver(m_path);
}

void CaptureFile::settle(const QString &path) {
    if (m_settled) return;
    m_settled = true;
    m_path = path;
    // Taken first: a receiver may ask again.
    const std::vector<Waiter> waiters = std::exchange(m_waiters, {});
    if (m_path.isEmpty()) return;
    for (const Waiter &waiter : waiters)
        if (waiter.context) waiter.receiver(m_path);
}
