#include "core/StylePreset.h"

#include "core/Localization.h"

namespace {

bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

} // namespace

QString uuidString(const QUuid &uuid) { return uuid.toString(QUuid::WithoutBraces).toUpper(); }

std::optional<QUuid> uuidFromString(const QString &text) {
    // QUuid alone would also take braces and stray text after the digits; stored identifiers
    // have exactly one form.
    if (text.size() != 36) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != QLatin1Char('-') : !isHexDigit(c)) return std::nullopt;
    }
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000")) return std::nullopt;
    return uuid;
}

QString StylePreset::displayName() const {
    for (const char *key : {"Social", "Docs", "Slides"}) {
        const QString k = QString::fromLatin1(key);
        if (L10nCache::variants(k).contains(name)) return L(LKey(k));
    }
    return name;
}

QJsonObject StylePreset::toJson() const {
    return QJsonObject{{QStringLiteral("id"), uuidString(id)},
                       {QStringLiteral("name"), name},
                       {QStringLiteral("style"), style.toJson()}};
}

std::optional<StylePreset> StylePreset::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const QJsonValue idValue = object.value(QStringLiteral("id"));
    const QJsonValue nameValue = object.value(QStringLiteral("name"));
    const QJsonValue styleValue = object.value(QStringLiteral("style"));
    if (!idValue.isString() || !nameValue.isString() || !styleValue.isObject()) return std::nullopt;
    const auto uuid = uuidFromString(idValue.toString());
    if (!uuid) return std::nullopt;
    auto style = BeautyStyle::fromJson(styleValue);
    if (!style) return std::nullopt;
    return StylePreset{*uuid, nameValue.toString(), std::move(*style)};
}

QList<StylePreset> StylePreset::factoryPresets() {
    const auto preset = [](const char *nameKey, const char *backdropId, double padding, AspectRatio aspect) {
        BeautyStyle look;
        look.backdrop = Backdrop::builtIn(QString::fromLatin1(backdropId));
        look.padding = padding;
        look.aspect = aspect;
        return StylePreset{QUuid::createUuid(), L(LKey(nameKey)), look};
    };
    return {preset("Social", "aurora", 80, AspectRatio::auto_), preset("Docs", "graphite", 40, AspectRatio::auto_),
            preset("Slides", "ocean", 96, AspectRatio::wide)};
}
