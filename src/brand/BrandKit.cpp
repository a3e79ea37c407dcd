#include "brand/BrandKit.h"

namespace {

const QString onScreenshotsKey = QStringLiteral("logoOnScreenshots");
const QString positionKey = QStringLiteral("logoPosition");
const QString variantKey = QStringLiteral("logoVariant");
const QString sizeKey = QStringLiteral("logoSize");

// The case named by `object[key]`, or `fallback` when it is absent or names none.
template <typename T, typename Parse>
T caseOf(const QJsonObject &object, const QString &key, T fallback, Parse parse) {
    const QJsonValue value = object.value(key);
    if (!value.isString()) return fallback;
    return parse(value.toString()).value_or(fallback);
}

} // namespace

QJsonObject BrandKit::toJson(QJsonObject stored) const {
    stored.insert(onScreenshotsKey, logoOnScreenshots);
    stored.insert(positionKey, LogoPositions::rawValue(logoPosition));
    stored.insert(variantKey, LogoVariants::rawValue(logoVariant));
    stored.insert(sizeKey, LogoSizes::rawValue(logoSize));
    return stored;
}

std::optional<BrandKit> BrandKit::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    BrandKit kit;
    const QJsonValue on = object.value(onScreenshotsKey);
    if (on.isBool()) kit.logoOnScreenshots = on.toBool();
    else if (!on.isUndefined() && !on.isNull()) return std::nullopt;
    kit.logoPosition = caseOf(object, positionKey, kit.logoPosition, LogoPositions::fromRawValue);
    kit.logoVariant = caseOf(object, variantKey, kit.logoVariant, LogoVariants::fromRawValue);
    kit.logoSize = caseOf(object, sizeKey, kit.logoSize, LogoSizes::fromRawValue);
    return kit;
}
