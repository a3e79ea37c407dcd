#pragma once

#include "app/ScreenAccess.h"

// A screen permission the test grants or refuses, counting requests and visits to the settings.
struct FakeScreenAccess {
    bool granted = false;
    int requests = 0;
    int settingsOpened = 0;

    ScreenAccess access() {
        return {[this] { return granted; },
                [this] {
                    ++requests;
                    return granted;
                },
                [this] { ++settingsOpened; }};
    }
};
