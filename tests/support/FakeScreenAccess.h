#pragma once

#include "capture/ScreenAccess.h"

namespace testsupport {

// The shared screen permission while it lives: granted or refused by the test, counting requests and
// visits to the settings. `needed` false is a platform that asks for none, as X11.
class FakeScreenAccess : public ScreenAccess {
public:
    bool needed = true;
    bool granted = false;
    int requests = 0;
    int settingsOpened = 0;

    FakeScreenAccess() { setSharedForTesting(this); }
    ~FakeScreenAccess() override { setSharedForTesting(nullptr); }
    FakeScreenAccess(const FakeScreenAccess &) = delete;
    FakeScreenAccess &operator=(const FakeScreenAccess &) = delete;

    bool isNeeded() override { return needed; }
    bool isGranted() override { return granted; }
    bool request() override {
        ++requests;
        return granted;
    }
    void openSettings() override { ++settingsOpened; }
};

} // namespace testsupport
