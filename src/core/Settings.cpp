#include "core/Settings.h"

#include "core/StyleJson.h"

#include <QJsonObject>

#include <array>
#include <cmath>
#include <utility>

namespace {

// An enumeration stored as one of a few words.
template <typename E, size_t N>
std::optional<E> fromWord(const platform::UserDefaults &defaults, const QString &key,
                          const std::array<std::pair<E, const char *>, N> &words) {
    const std::optional<QString> stored = defaults.stringValue(key);
    if (!stored) return std::nullopt;
    for (const auto &[value, word] : words)
        if (*stored == QLatin1String(word)) return value;
    return std::nullopt;
}

template <typename E, size_t N>
bool toWord(platform::UserDefaults &defaults, const QString &key, E value,
            const std::array<std::pair<E, const char *>, N> &words) {
    for (const auto &[candidate, word] : words) {
        if (candidate != value) continue;
        defaults.setString(key, QString::fromLatin1(word));
        return true;
    }
    return false;
}

constexpr std::array<std::pair<AfterCapture, const char *>, 3> kAfterCaptureWords{
    {{AfterCapture::editor, "editor"}, {AfterCapture::quick, "quick"}, {AfterCapture::copy, "copy"}}};
constexpr std::array<std::pair<AreaRelease, const char *>, 2> kAreaReleaseWords{
    {{AreaRelease::adjust, "adjust"}, {AreaRelease::instant, "instant"}}};

// A value kept as a JSON document and decoded by `decode`.
template <typename Decode>
auto fromDocument(const platform::UserDefaults &defaults, const QString &key, Decode decode)
    -> decltype(decode(QJsonValue())) {
    if (const std::optional<QJsonValue> json = defaults.jsonValue(key)) return decode(*json);
    return std::nullopt;
}

// A document holding a number JSON cannot express would not read back: it is not written.
bool toDocument(platform::UserDefaults &defaults, const QString &key, const QJsonValue &json) {
    if (!stylejson::allFinite(json)) return false;
    defaults.setJson(key, json);
    return true;
}

} // namespace

namespace SettingCodec {

std::optional<bool> read(const platform::UserDefaults &defaults, const QString &key, As<bool>) {
    return defaults.boolValue(key);
}

bool write(platform::UserDefaults &defaults, const QString &key, bool value) {
    defaults.setBool(key, value);
    return true;
}

std::optional<QString> read(const platform::UserDefaults &defaults, const QString &key, As<QString>) {
    return defaults.stringValue(key);
}

bool write(platform::UserDefaults &defaults, const QString &key, const QString &value) {
    defaults.setString(key, value);
    return true;
}

std::optional<qint64> read(const platform::UserDefaults &defaults, const QString &key, As<qint64>) {
    if (const auto whole = defaults.intValue(key)) return whole;
    const std::optional<double> real = defaults.doubleValue(key);
    if (!real) return std::nullopt;
    if (*real >= 9.2e18) return std::numeric_limits<qint64>::max();
    if (*real <= -9.2e18) return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(*real);
}

bool write(platform::UserDefaults &defaults, const QString &key, qint64 value) {
    defaults.setInt(key, value);
    return true;
}

std::optional<AfterCapture> read(const platform::UserDefaults &defaults, const QString &key, As<AfterCapture>) {
    return fromWord(defaults, key, kAfterCaptureWords);
}

bool write(platform::UserDefaults &defaults, const QString &key, AfterCapture value) {
    return toWord(defaults, key, value, kAfterCaptureWords);
}

std::optional<AreaRelease> read(const platform::UserDefaults &defaults, const QString &key, As<AreaRelease>) {
    return fromWord(defaults, key, kAreaReleaseWords);
}

bool write(platform::UserDefaults &defaults, const QString &key, AreaRelease value) {
    return toWord(defaults, key, value, kAreaReleaseWords);
}

std::optional<QuickLifetime> read(const platform::UserDefaults &defaults, const QString &key, As<QuickLifetime>) {
    if (defaults.type(key) != platform::UserDefaults::Type::Int) return std::nullopt;
    const std::optional<qint64> seconds = defaults.intValue(key);
    for (QuickLifetime lifetime :
         {QuickLifetime::short_, QuickLifetime::medium, QuickLifetime::long_, QuickLifetime::forever_})
        if (seconds == static_cast<qint64>(lifetime)) return lifetime;
    return std::nullopt;
}

bool write(platform::UserDefaults &defaults, const QString &key, QuickLifetime value) {
    defaults.setInt(key, static_cast<qint64>(value));
    return true;
}

std::optional<QRect> read(const platform::UserDefaults &defaults, const QString &key, As<QRect>) {
    return fromDocument(defaults, key, [](const QJsonValue &json) -> std::optional<QRect> {
        const QJsonObject object = json.toObject();
        int values[4];
        const char *names[4] = {"x", "y", "width", "height"};
        for (int i = 0; i < 4; ++i) {
            const QJsonValue v = object.value(QLatin1String(names[i]));
            // Whole numbers a screen can hold; anything else makes the frame unreadable.
            if (!v.isDouble() || v.toDouble() != std::trunc(v.toDouble()) || std::abs(v.toDouble()) > 1e6)
                return std::nullopt;
            values[i] = int(v.toDouble());
        }
        if (values[2] <= 0 || values[3] <= 0) return std::nullopt;
        return QRect(values[0], values[1], values[2], values[3]);
    });
}

bool write(platform::UserDefaults &defaults, const QString &key, const QRect &value) {
    defaults.setJson(key, QJsonObject{{QStringLiteral("x"), value.x()},
                                      {QStringLiteral("y"), value.y()},
                                      {QStringLiteral("width"), value.width()},
                                      {QStringLiteral("height"), value.height()}});
    return true;
}

std::optional<Shortcut> read(const platform::UserDefaults &defaults, const QString &key, As<Shortcut>) {
    return fromDocument(defaults, key, &Shortcut::fromJson);
}

bool write(platform::UserDefaults &defaults, const QString &key, const Shortcut &value) {
    defaults.setData(key, value.toJsonBytes());
    return true;
}

std::optional<BeautyStyle> read(const platform::UserDefaults &defaults, const QString &key, As<BeautyStyle>) {
    return fromDocument(defaults, key, &BeautyStyle::fromJson);
}

bool write(platform::UserDefaults &defaults, const QString &key, const BeautyStyle &value) {
    return toDocument(defaults, key, value.toJson());
}

std::optional<QList<StylePreset>> read(const platform::UserDefaults &defaults, const QString &key,
                                       As<QList<StylePreset>>) {
    return fromDocument(defaults, key, &stylejson::decodeList<StylePreset>);
}

bool write(platform::UserDefaults &defaults, const QString &key, const QList<StylePreset> &value) {
    return toDocument(defaults, key, stylejson::encodeList(value));
}

std::optional<QList<Backdrop>> read(const platform::UserDefaults &defaults, const QString &key, As<QList<Backdrop>>) {
    return fromDocument(defaults, key, &stylejson::decodeList<Backdrop>);
}

bool write(platform::UserDefaults &defaults, const QString &key, const QList<Backdrop> &value) {
    return toDocument(defaults, key, stylejson::encodeList(value));
}

std::optional<ExportSettings> read(const platform::UserDefaults &defaults, const QString &key, As<ExportSettings>) {
    return fromDocument(defaults, key, &ExportSettings::fromJson);
}

bool write(platform::UserDefaults &defaults, const QString &key, const ExportSettings &value) {
    return toDocument(defaults, key, value.toJson());
}

std::optional<QJsonObject> read(const platform::UserDefaults &defaults, const QString &key, As<QJsonObject>) {
    return fromDocument(defaults, key, [](const QJsonValue &json) -> std::optional<QJsonObject> {
        if (!json.isObject()) return std::nullopt;
        return json.toObject();
    });
}

bool write(platform::UserDefaults &defaults, const QString &key, const QJsonObject &value) {
    return toDocument(defaults, key, value);
}

} // namespace SettingCodec

namespace Settings {

const Setting<Shortcut> &shortcut(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::captureArea: return shortcutCaptureArea;
    case ShortcutAction::captureWindow: return shortcutCaptureWindow;
    case ShortcutAction::captureFullScreen: return shortcutCaptureFullScreen;
    case ShortcutAction::repeatLastArea: return shortcutRepeatLastArea;
    case ShortcutAction::toggleTutorial: return shortcutToggleTutorial;
    }
    return shortcutCaptureArea;
}

} // namespace Settings
