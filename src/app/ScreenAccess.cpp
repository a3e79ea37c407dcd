#include "app/ScreenAccess.h"

#include "capture/ScreenPermission.h"

ScreenAccess ScreenAccess::system() {
    return {&ScreenPermission::isGranted, &ScreenPermission::isGranted, &ScreenPermission::openSystemSettings,
            &ScreenPermission::isNeeded};
}
