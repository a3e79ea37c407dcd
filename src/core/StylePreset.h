#pragma once

#include "core/BeautyStyle.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// A named, saved style, applied in the editor with the keys 1 to 9.
struct StylePreset {
    QUuid id;
    QString name;
    BeautyStyle style;

    bool operator==(const StylePreset &) const = default;

    // A factory preset ("Social", "Docs", "Slides") whose stored name is any translation of its
    // name shows in the current language; every other name shows as it stands.
    QString displayName() const;

    // {"id": UUID string, "name": string, "style": BeautyStyle}, all three required. The UUID is
    // written upper case without braces and read in either case; any other form is unreadable.
    QJsonObject toJson() const;
    static std::optional<StylePreset> fromJson(const QJsonValue &json);

    // "Social", "Docs" and "Slides", each with a new random identifier at every call.
    static QList<StylePreset> factoryPresets();
};

// The canonical text of a UUID as stored: upper case, without braces.
QString uuidString(const QUuid &uuid);
// Parses the 36-character 8-4-4-4-12 hexadecimal form, in any letter case; none for anything else.
std::optional<QUuid> uuidFromString(const QString &text);
