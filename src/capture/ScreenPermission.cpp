#include "capture/ScreenPermission.h"

#include "platform/ScreenServices.h"
#include "platform/SystemSettings.h"

namespace ScreenPermission {

bool isNeeded() { return platform::ScreenServices::shared()->needsPermission(); }

bool isGranted() { return platform::ScreenServices::shared()->connected(); }

void openSystemSettings() { platform::SystemSettings::openPrivacySettings(); }

} // namespace ScreenPermission
