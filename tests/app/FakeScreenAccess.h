#pragma once

#include "app/ScreenAccess.h"

// A screen permission the test grants or refuses, counting requests and visits to the settings. `needed`
// false is a platform that asks for none, as X11.
struct FakeScreenAccess {
    bool needed = true;
    bool granted = false;
    int requests = 0;
    int settingsOpened = 0;

    ScreenAccess access() {
        return {[this] { return granted; },
                [this] {
                    ++requests;
                    return granted;
                },
                [this] { ++settingsOpened; }, [this] { return needed; }};
    }
};
