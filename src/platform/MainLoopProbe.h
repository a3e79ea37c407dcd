#pragma once

#include <functional>
#include <memory>

namespace platform {

// Tells when the GUI thread's event loop goes to wait for events and when that wait ends, so that a
// diagnostic can tell a loop that slept from one that was busy. Qt's loop on Linux runs on GLib's
// default main context; the probe is a GLib source of the highest priority there, found in the process
// at run time (nothing is linked for it). `attach` returns nothing when the loop is not GLib's (a Qt
// built without it, or QT_NO_GLIB set). Made, used and destroyed on the GUI thread; one at a time.
class MainLoopProbe {
public:
    static std::unique_ptr<MainLoopProbe> attach(std::function<void()> beforeWait, std::function<void()> afterWait);
    ~MainLoopProbe();

    MainLoopProbe(const MainLoopProbe &) = delete;
    MainLoopProbe &operator=(const MainLoopProbe &) = delete;

private:
    MainLoopProbe() = default;
    void *m_source = nullptr;
};

} // namespace platform
