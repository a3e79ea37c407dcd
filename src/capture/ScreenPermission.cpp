#include "capture/ScreenPermission.h"

#include "capture/ScreenAccess.h"
#include "platform/ScreenServices.h"
#include "platform/SystemSettings.h"

namespace ScreenPermission {

bool isNeeded() { return platform::ScreenServices::shared().needsPermission(); }

bool isGranted() { return platform::ScreenServices::shared().connected(); }

void openSystemSettings() { platform::SystemSettings::openPrivacySettings(); }

} // namespace ScreenPermission

namespace {

// X11 asks no permission of its own: a request answers what the check answers.
class SystemScreenAccess final : public ScreenAccess {
public:
    bool isNeeded() override { return ScreenPermission::isNeeded(); }
    bool isGranted() override { return ScreenPermission::isGranted(); }
    bool request() override { return ScreenPermission::isGranted(); }
    void openSettings() override { ScreenPermission::openSystemSettings(); }
};

} // namespace

template <>
ScreenAccess &platform::SharedService<ScreenAccess>::real() {
    static SystemScreenAccess access;
    return access;
}
