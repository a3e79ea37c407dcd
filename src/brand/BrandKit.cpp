#include "brand/BrandKit.h"

#include "core/Localization.h"
#include "core/StyleJson.h"

#include <QJsonArray>

namespace {

const QString kName = QStringLiteral("name");
const QString kPrimary = QStringLiteral("primary");
const QString kSecondary = QStringLiteral("secondary");
const QString kBackground = QStringLiteral("background");
const QString kText = QStringLiteral("text");
const QString kFontFamily = QStringLiteral("fontFamily");
const QString kFooter = QStringLiteral("footer");
const QString kLogoOnScreenshots = QStringLiteral("logoOnScreenshots");
const QString kLogoPosition = QStringLiteral("logoPosition");
const QString kLogoVariant = QStringLiteral("logoVariant");
const QString kLogoSize = QStringLiteral("logoSize");
const QString kCustomBackdrops = QStringLiteral("customBackdrops");

bool absent(const QJsonValue &value) { return value.isUndefined() || value.isNull(); }

// Reads one strictly typed field: absent keeps the default, a wrong type fails the document.
template <typename T, typename Read>
bool readStrict(const QJsonObject &object, const QString &key, T &target, Read read) {
    const QJsonValue value = object.value(key);
    if (absent(value)) return true;
    const std::optional<T> decoded = read(value);
    if (!decoded) return false;
    target = *decoded;
    return true;
}

std::optional<QString> string(const QJsonValue &v) {
    if (!v.isString()) return std::nullopt;
    return v.toString();
}

std::optional<quint32> color(const QJsonValue &v) {
    const auto c = stylejson::colorNumber(v);
    if (!c) return std::nullopt;
    return *c & 0xFFFFFF;
}

std::optional<bool> boolean(const QJsonValue &v) {
    if (!v.isBool()) return std::nullopt;
    return v.toBool();
}

// A logo placement field: anything unreadable keeps the default.
template <typename E, typename FromRaw>
void readLenient(const QJsonObject &object, const QString &key, E &target, FromRaw fromRaw) {
    const QJsonValue value = object.value(key);
    if (!value.isString()) return;
    if (const auto e = fromRaw(value.toString())) target = *e;
}

} // namespace

QString BrandKit::label() const {
    qsizetype start = 0, end = name.size();
    const auto blank = [this](qsizetype i) { return name.at(i) == u' ' || name.at(i) == u'\t'; };
    while (start < end && blank(start)) ++start;
    while (end > start && blank(end - 1)) --end;
    if (start == end) return L("Marca");
    return name.mid(start, end - start);
}

BrandKit BrandKit::masked() const {
    BrandKit kit = *this;
    for (quint32 *c : {&kit.primary, &kit.secondary, &kit.background, &kit.text}) *c &= 0xFFFFFF;
    return kit;
}

QJsonObject BrandKit::toJson() const {
    QJsonObject o{
        {kName, name},
        {kPrimary, qint64(primary)},
        {kSecondary, qint64(secondary)},
        {kBackground, qint64(background)},
        {kText, qint64(text)},
        {kFooter, footer},
        {kLogoOnScreenshots, logoOnScreenshots},
        {kLogoPosition, LogoPositions::rawValue(logoPosition)},
        {kLogoVariant, LogoVariants::rawValue(logoVariant)},
        {kLogoSize, LogoSizes::rawValue(logoSize)},
    };
    if (fontFamily) o.insert(kFontFamily, *fontFamily);
    if (customBackdrops) o.insert(kCustomBackdrops, stylejson::encodeList(*customBackdrops));
    return o;
}

std::optional<BrandKit> BrandKit::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject o = json.toObject();
    BrandKit kit;
    const auto fontName = [](const QJsonValue &v) {
        return v.isString() ? std::optional<std::optional<QString>>(v.toString()) : std::nullopt;
    };
    const bool readable =
        readStrict(o, kName, kit.name, string) && readStrict(o, kPrimary, kit.primary, color) &&
        readStrict(o, kSecondary, kit.secondary, color) && readStrict(o, kBackground, kit.background, color) &&
        readStrict(o, kText, kit.text, color) && readStrict(o, kFontFamily, kit.fontFamily, fontName) &&
        readStrict(o, kFooter, kit.footer, string) && readStrict(o, kLogoOnScreenshots, kit.logoOnScreenshots, boolean);
    if (!readable) return std::nullopt;
    readLenient(o, kLogoPosition, kit.logoPosition, LogoPositions::fromRawValue);
    readLenient(o, kLogoVariant, kit.logoVariant, LogoVariants::fromRawValue);
    readLenient(o, kLogoSize, kit.logoSize, LogoSizes::fromRawValue);
    kit.customBackdrops = stylejson::decodeList<Backdrop>(o.value(kCustomBackdrops));
    return kit;
}
