#include "editor/CancelFlag.h"

void CancelFlag::cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_woken.notify_all();
}

bool CancelFlag::isCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool CancelFlag::sleepFor(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    std::unique_lock lock(m_mutex);
    return !m_woken.wait_until(lock, until, [this] { return m_cancelled; });
}
