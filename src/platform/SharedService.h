#pragma once

namespace platform {

// The one instance of a service the process uses (a dialog, the clipboard, the screen), which a test
// replaces with its own so that nothing waits on a dialog or touches the desktop. The service derives
// from SharedService<Service> and declares, under its class, the real one:
//     template <> AlertPresenter &SharedService<AlertPresenter>::real();
// which its .cpp defines, usually as a function-local static of its private implementation.
template <typename Service>
class SharedService {
public:
    static Service &shared() { return s_substitute ? *s_substitute : real(); }
    // nullptr restores the real one. Not thread-safe: tests set it before the code under test runs.
    static void setSharedForTesting(Service *substitute) { s_substitute = substitute; }

protected:
    SharedService() = default;
    ~SharedService() = default;

private:
    static Service &real();
    static inline Service *s_substitute = nullptr;
};

} // namespace platform
