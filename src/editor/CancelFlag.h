#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// The cancel switch shared by the main thread and one background task. Thread-safe.
class CancelFlag {
public:
    void cancel();
    bool isCancelled() const;
    // Waits `duration` on the monotonic clock; a cancel ends the wait at once. False when cancelled
    // (before or during the wait).
    bool sleepFor(std::chrono::milliseconds duration);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_cancelled = false;
};
