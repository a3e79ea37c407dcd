#include "core/BeautyStyle.h"

#include "core/StyleJson.h"

#include <algorithm>

namespace {

// Absent and null both mean "use the default".
bool isMissing(const QJsonValue &value) { return value.isUndefined() || value.isNull(); }

// Reads an optional Boolean into `target`; false when the value is there with another type.
bool readFlag(const QJsonObject &object, const QString &key, bool &target) {
    const QJsonValue value = object.value(key);
    if (isMissing(value)) return true;
    if (!value.isBool()) return false;
    target = value.toBool();
    return true;
}

} // namespace

QJsonObject BeautyStyle::toJson() const {
    return QJsonObject{
        {QStringLiteral("backdrop"), backdrop.toJson()},    {QStringLiteral("padding"), padding},
        {QStringLiteral("roundedCorners"), roundedCorners}, {QStringLiteral("shadow"), shadow},
        {QStringLiteral("autoBalance"), autoBalance},       {QStringLiteral("aspect"), rawValue(aspect)},
    };
}

std::optional<BeautyStyle> BeautyStyle::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    BeautyStyle style;

    const QJsonValue backdropValue = object.value(QStringLiteral("backdrop"));
    if (!isMissing(backdropValue)) {
        auto backdrop = Backdrop::fromJson(backdropValue);
        if (!backdrop) return std::nullopt;
        style.backdrop = std::move(*backdrop);
    } else {
        // The older form named only a built-in.
        const QJsonValue legacy = object.value(QStringLiteral("backdropID"));
        if (!isMissing(legacy)) {
            if (!legacy.isString()) return std::nullopt;
            style.backdrop = Backdrop::builtIn(legacy.toString());
        }
    }

    const QJsonValue paddingValue = object.value(QStringLiteral("padding"));
    if (!isMissing(paddingValue)) {
        const auto padding = stylejson::finiteNumber(paddingValue);
        if (!padding) return std::nullopt;
        style.padding = std::max(0.0, *padding);
    }

    if (!readFlag(object, QStringLiteral("roundedCorners"), style.roundedCorners) ||
        !readFlag(object, QStringLiteral("shadow"), style.shadow) ||
        !readFlag(object, QStringLiteral("autoBalance"), style.autoBalance))
        return std::nullopt;

    const QJsonValue aspectValue = object.value(QStringLiteral("aspect"));
    if (!isMissing(aspectValue)) {
        if (!aspectValue.isString()) return std::nullopt;
        const auto aspect = aspectRatioFromRawValue(aspectValue.toString());
        if (!aspect) return std::nullopt;
        style.aspect = *aspect;
    }
    return style;
}
