#pragma once

#include "core/Backdrop.h"
#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"
#include "core/Shortcut.h"
#include "core/StylePreset.h"
#include "platform/UserDefaults.h"

#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QString>

#include <limits>
#include <optional>
#include <type_traits>

// The value types of settings that belong to no model of their own.

// What follows a capture.
enum class AfterCapture { editor, quick, copy };
// What releasing the mouse after drawing an area does.
enum class AreaRelease { adjust, instant };
// How long the quick panel stays: its raw value is both the stored integer and the seconds.
enum class QuickLifetime { short_ = 10, medium = 30, long_ = 60, forever_ = 0 };

// How each type of value is kept in the defaults file. `read` answers none for a value that is absent
// or not in that type's stored form; `write` answers false when the value has no stored form (a number
// JSON cannot hold) and then writes nothing. A new type of setting adds its pair here.
namespace SettingCodec {

template <typename T>
using As = std::type_identity<T>;

// A Boolean.
std::optional<bool> read(const platform::UserDefaults &defaults, const QString &key, As<bool>);
bool write(platform::UserDefaults &defaults, const QString &key, bool value);
// A text.
std::optional<QString> read(const platform::UserDefaults &defaults, const QString &key, As<QString>);
bool write(platform::UserDefaults &defaults, const QString &key, const QString &value);
// An integer; a real number is cut to one (beyond 64 bits: the nearer end of the range).
std::optional<qint64> read(const platform::UserDefaults &defaults, const QString &key, As<qint64>);
bool write(platform::UserDefaults &defaults, const QString &key, qint64 value);
// The text "editor", "quick" or "copy".
std::optional<AfterCapture> read(const platform::UserDefaults &defaults, const QString &key, As<AfterCapture>);
bool write(platform::UserDefaults &defaults, const QString &key, AfterCapture value);
// The text "adjust" or "instant".
std::optional<AreaRelease> read(const platform::UserDefaults &defaults, const QString &key, As<AreaRelease>);
bool write(platform::UserDefaults &defaults, const QString &key, AreaRelease value);
// The integer 0, 10, 30 or 60 (a real number, even a whole one, does not read).
std::optional<QuickLifetime> read(const platform::UserDefaults &defaults, const QString &key, As<QuickLifetime>);
bool write(platform::UserDefaults &defaults, const QString &key, QuickLifetime value);
// A rectangle of the screen: the JSON object {"x","y","width","height"} of integers, a positive size.
std::optional<QRect> read(const platform::UserDefaults &defaults, const QString &key, As<QRect>);
bool write(platform::UserDefaults &defaults, const QString &key, const QRect &value);
// Data holding the combination's JSON document (a JSON value reads too).
std::optional<Shortcut> read(const platform::UserDefaults &defaults, const QString &key, As<Shortcut>);
bool write(platform::UserDefaults &defaults, const QString &key, const Shortcut &value);
// JSON documents in the style values' own forms.
std::optional<BeautyStyle> read(const platform::UserDefaults &defaults, const QString &key, As<BeautyStyle>);
bool write(platform::UserDefaults &defaults, const QString &key, const BeautyStyle &value);
std::optional<QList<StylePreset>> read(const platform::UserDefaults &defaults, const QString &key,
                                       As<QList<StylePreset>>);
bool write(platform::UserDefaults &defaults, const QString &key, const QList<StylePreset> &value);
std::optional<QList<Backdrop>> read(const platform::UserDefaults &defaults, const QString &key, As<QList<Backdrop>>);
bool write(platform::UserDefaults &defaults, const QString &key, const QList<Backdrop> &value);
std::optional<ExportSettings> read(const platform::UserDefaults &defaults, const QString &key, As<ExportSettings>);
bool write(platform::UserDefaults &defaults, const QString &key, const ExportSettings &value);
// A JSON object whose model lives above the core and reads it by its own rules (the brand kit).
std::optional<QJsonObject> read(const platform::UserDefaults &defaults, const QString &key, As<QJsonObject>);
bool write(platform::UserDefaults &defaults, const QString &key, const QJsonObject &value);

} // namespace SettingCodec

// One key of the defaults file. Every reader and writer of the key goes through its declaration in
// the table below; `fallback` is both the default and what a stored value that does not read gives,
// or that `inRange` (when given) refuses. Reading never writes anything back.
template <typename T>
struct Setting {
    const char *name; // as stored in the file
    T (*fallback)();
    bool (*inRange)(const T &) = nullptr;

    QString key() const { return QString::fromLatin1(name); }
    // The stored value; none when it is absent or does not read as a T.
    std::optional<T> stored(const platform::UserDefaults &defaults) const {
        std::optional<T> read = SettingCodec::read(defaults, key(), SettingCodec::As<T>{});
        if (read && inRange && !inRange(*read)) return std::nullopt;
        return read;
    }
    T value(const platform::UserDefaults &defaults) const {
        std::optional<T> read = stored(defaults);
        return read ? std::move(*read) : fallback();
    }
    // From the standard user defaults.
    T value() const { return value(platform::UserDefaults::standard()); }
    // Whether anything is stored under the key, readable or not.
    bool isStored(const platform::UserDefaults &defaults) const { return defaults.contains(key()); }
    // Writes the value in its stored form; false (and nothing written) when it has none.
    bool set(const T &value, platform::UserDefaults &defaults) const {
        return SettingCodec::write(defaults, key(), value);
    }
    bool set(const T &value) const { return set(value, platform::UserDefaults::standard()); }
    // Removes the key: it reads as the fallback again.
    void reset(platform::UserDefaults &defaults) const { defaults.remove(key()); }
    void reset() const { reset(platform::UserDefaults::standard()); }
};

// A fallback that is a constant.
template <auto V>
constexpr decltype(V) always() {
    return V;
}

// The settings table: every key the application reads, spelled as stored, with its type and default.
// A new key is one line here (and, for a new type, a codec pair above).
namespace Settings {

// The capture road, the overlay and the quick panel.
inline constexpr Setting<AfterCapture> afterCapture{"afterCapture", always<AfterCapture::quick>};
inline constexpr Setting<AreaRelease> areaRelease{"areaRelease", always<AreaRelease::adjust>};
inline constexpr Setting<bool> overlayTipsEnabled{"overlayTipsEnabled", always<true>};
inline constexpr Setting<QuickLifetime> quickLifetime{"quick.lifetime", always<QuickLifetime::medium>};

// The recents folder: how many captures it keeps (raised to the next keep option by the store; 0 keeps
// none) and whether they are written as HEIC (true) or PNG.
// How many captures the recents folder keeps: 0 none; a negative count is no count at all.
inline constexpr Setting<qint64> historyKeep{"history.keep", always<qint64{500}>,
                                             [](const qint64 &count) { return count >= 0; }};
inline constexpr Setting<bool> historyCompact{"history.compact", always<true>};

// The main window: its last frame (none: centred on the screen), the sidebar's collapsed state, the
// greeting of the home page and the name in it (empty: the account's first name), and whether the
// first-run onboarding was completed.
inline constexpr Setting<QRect> mainWindowFrame{"PelicartaMainWindow", [] { return QRect(); }};
inline constexpr Setting<bool> sidebarCollapsed{"sidebar.collapsed", always<false>};
inline constexpr Setting<bool> greetingEnabled{"greetingEnabled", always<true>};
inline constexpr Setting<QString> customName{"customName", [] { return QString(); }};
inline constexpr Setting<bool> hasCompletedOnboarding{"hasCompletedOnboarding", always<false>};

// The folder of the last file a save panel wrote (empty: none yet); the next panel opens there.
inline constexpr Setting<QString> saveFolder{"save.folder", [] { return QString(); }};

// The global hot keys, one per capture action.
inline constexpr Setting<Shortcut> shortcutCaptureArea{
    "shortcut.captureArea", [] { return Shortcut::defaultFor(ShortcutAction::captureArea); }};
inline constexpr Setting<Shortcut> shortcutCaptureWindow{
    "shortcut.captureWindow", [] { return Shortcut::defaultFor(ShortcutAction::captureWindow); }};
inline constexpr Setting<Shortcut> shortcutCaptureFullScreen{
    "shortcut.captureFullScreen", [] { return Shortcut::defaultFor(ShortcutAction::captureFullScreen); }};
inline constexpr Setting<Shortcut> shortcutRepeatLastArea{
    "shortcut.repeatLastArea", [] { return Shortcut::defaultFor(ShortcutAction::repeatLastArea); }};
inline constexpr Setting<Shortcut> shortcutToggleTutorial{
    "shortcut.toggleTutorial", [] { return Shortcut::defaultFor(ShortcutAction::toggleTutorial); }};
// The key of an action's combination: one of the five above.
const Setting<Shortcut> &shortcut(ShortcutAction action);

// The style store's values.
inline constexpr Setting<BeautyStyle> styleDefault{"style.default", [] { return BeautyStyle{}; }};
inline constexpr Setting<QList<StylePreset>> stylePresets{"style.presets", &StylePreset::factoryPresets};
inline constexpr Setting<QList<Backdrop>> styleBackdrops{"style.backdrops", [] { return Backdrop::defaults(); }};
inline constexpr Setting<ExportSettings> styleExport{"style.export", [] { return ExportSettings{}; }};

// The brand: the kit's document (BrandKit decodes it key by key) and whether the brand was ever set up.
inline constexpr Setting<QJsonObject> brandKit{"brand.kit", [] { return QJsonObject{}; }};
inline constexpr Setting<bool> brandConfigured{"brand.configured", always<false>};

} // namespace Settings
