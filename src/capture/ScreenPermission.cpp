#include "capture/ScreenPermission.h"

#include "platform/DesktopSettings.h"
#include "platform/ScreenServices.h"

namespace ScreenPermission {

bool isGranted() { return platform::ScreenServices::shared()->connected(); }

void openSystemSettings() { platform::DesktopSettings::open(); }

} // namespace ScreenPermission
