#pragma once

#include <functional>

// What the onboarding and the settings page know of the screen permission; tests substitute it.
struct ScreenAccess {
    // Whether captures may read the screen now, asking nothing.
    std::function<bool()> isGranted;
    // Asks for access; whether it was granted at once.
    std::function<bool()> request;
    // Opens the desktop's privacy settings.
    std::function<void()> openSettings;
    // Whether the platform asks for access at all. When it does not (X11), the onboarding and the
    // settings page say nothing about it.
    std::function<bool()> isNeeded;

    bool needed() const { return isNeeded && isNeeded(); }

    // The capture layer's ScreenPermission. X11 asks no permission of its own: a request answers
    // what the check answers.
    static ScreenAccess system();
};
