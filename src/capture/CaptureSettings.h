#pragma once

#include <QString>

namespace platform {
class UserDefaults;
}

// What follows a capture; read from the settings at every capture, never cached.
enum class AfterCapture { editor, quick, copy };

namespace AfterCaptureSetting {
inline constexpr const char *key = "afterCapture";
// "editor" and "copy" as stored; anything else, or nothing, means quick.
AfterCapture current();
AfterCapture current(const platform::UserDefaults &defaults);
QString rawValue(AfterCapture value);
} // namespace AfterCaptureSetting

// What releasing the mouse after drawing an area does.
enum class AreaRelease { adjust, instant };

namespace AreaReleaseSetting {
inline constexpr const char *key = "areaRelease";
inline constexpr const char *tipsKey = "overlayTipsEnabled";
// "instant" as stored; anything else means adjust.
AreaRelease current();
AreaRelease current(const platform::UserDefaults &defaults);
// Whether the overlay shows its keyboard tips: a stored Boolean, true otherwise.
bool tipsEnabled();
bool tipsEnabled(const platform::UserDefaults &defaults);
QString rawValue(AreaRelease value);
} // namespace AreaReleaseSetting
