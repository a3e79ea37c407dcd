#pragma once

#include "platform/SharedService.h"

// What the onboarding and the settings page know of the screen permission; tests substitute it. The
// real one is ScreenPermission.
class ScreenAccess : public platform::SharedService<ScreenAccess> {
public:
    virtual ~ScreenAccess() = default;
    // Whether the platform asks for access at all. When it does not (X11), the onboarding and the
    // settings page say nothing about it.
    virtual bool isNeeded() = 0;
    // Whether captures may read the screen now, asking nothing.
    virtual bool isGranted() = 0;
    // Asks for access; whether it was granted at once.
    virtual bool request() = 0;
    // Opens the desktop's privacy settings.
    virtual void openSettings() = 0;
};
template <>
ScreenAccess &platform::SharedService<ScreenAccess>::real();
