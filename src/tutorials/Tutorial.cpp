#include "tutorials/Tutorial.h"

#include "core/Localization.h"

#include <QJsonArray>
#include <QTimeZone>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const QDateTime &referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

double toReferenceSeconds(const QDateTime &date) { return referenceDate().msecsTo(date) / 1000.0; }

std::optional<QDateTime> fromReferenceSeconds(const QJsonValue &value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) return std::nullopt;
    const double ms = value.toDouble() * 1000.0;
    // Far outside any calendar Qt can hold: unreadable rather than a wrapped-around date.
    if (std::abs(ms) > 1e17) return std::nullopt;
    return referenceDate().addMSecs(static_cast<qint64>(std::llround(ms)));
}

std::optional<QUuid> uuid(const QJsonValue &value) {
    if (!value.isString()) return std::nullopt;
    const QUuid id(value.toString());
    if (id.isNull()) return std::nullopt;
    return id;
}

bool present(const QJsonValue &value) { return !value.isUndefined() && !value.isNull(); }

// The keys of `object` other than `known`.
QJsonObject keysOtherThan(QJsonObject object, std::initializer_list<QLatin1String> known) {
    for (const QLatin1String key : known) object.remove(key);
    return object;
}

// `object` with the other keys added where it has none of its own.
QJsonObject withOtherKeys(QJsonObject object, const QJsonObject &others) {
    for (auto it = others.begin(); it != others.end(); ++it)
        if (!object.contains(it.key())) object.insert(it.key(), it.value());
    return object;
}

} // namespace

QString rawValue(TutorialTheme theme) {
    switch (theme) {
    case TutorialTheme::light: return QStringLiteral("light");
    case TutorialTheme::dark: return QStringLiteral("dark");
    case TutorialTheme::brand: return QStringLiteral("brand");
    }
    return {};
}

QString label(TutorialTheme theme) {
    switch (theme) {
    case TutorialTheme::light: return L("Claro");
    case TutorialTheme::dark: return L("Escuro");
    case TutorialTheme::brand: return L("Marca");
    }
    return {};
}

std::optional<TutorialTheme> tutorialThemeFromRawValue(const QString &raw) {
    for (TutorialTheme theme : allTutorialThemes)
        if (rawValue(theme) == raw) return theme;
    return std::nullopt;
}

bool isBareFileName(const QString &name) {
    // A leading dot also rules out "." and ".."; 255 bytes is the longest name a Linux file system takes.
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.startsWith(QLatin1Char('.')) && !name.contains(QChar(0)) && name.toUtf8().size() <= 255;
}

QJsonObject TutorialStep::toJson() const {
    QJsonObject object{{QStringLiteral("id"), uuidString(id)},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("detail"), detail},
                       {QStringLiteral("imageFile"), imageFile}};
    if (marker) object.insert(QStringLiteral("marker"), QJsonArray{marker->x(), marker->y()});
    return withOtherKeys(object, otherKeys);
}

std::optional<TutorialStep> TutorialStep::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const auto id = uuid(object.value(QLatin1String("id")));
    const QJsonValue title = object.value(QLatin1String("title"));
    const QJsonValue detail = object.value(QLatin1String("detail"));
    const QJsonValue imageFile = object.value(QLatin1String("imageFile"));
    if (!id || !title.isString() || !detail.isString() || !imageFile.isString()) return std::nullopt;
    if (!isBareFileName(imageFile.toString())) return std::nullopt;
    TutorialStep step{*id,
                      title.toString(),
                      detail.toString(),
                      std::nullopt,
                      imageFile.toString(),
                      keysOtherThan(object, {QLatin1String("id"), QLatin1String("title"), QLatin1String("detail"),
                                             QLatin1String("imageFile"), QLatin1String("marker")})};
    const QJsonValue marker = object.value(QLatin1String("marker"));
    if (present(marker)) {
        const QJsonArray pair = marker.toArray();
        if (!marker.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble() ||
            !std::isfinite(pair[0].toDouble()) || !std::isfinite(pair[1].toDouble()))
            return std::nullopt;
        step.marker = QPointF(pair[0].toDouble(), pair[1].toDouble());
    }
    return step;
}

Tutorial Tutorial::blank() {
    Tutorial tutorial;
    tutorial.title = L("Novo tutorial");
    return tutorial;
}

QJsonObject Tutorial::toJson() const {
    QJsonArray stepArray;
    for (const TutorialStep &step : steps) stepArray.append(step.toJson());
    // Back at their places: the file reads as it did, as long as the steps around them stayed.
    for (const UnreadableStep &unreadable : unreadableSteps)
        stepArray.insert(std::clamp<qsizetype>(unreadable.number - 1, 0, stepArray.size()), unreadable.json);
    return withOtherKeys(QJsonObject{{QStringLiteral("id"), uuidString(id)},
                                     {QStringLiteral("title"), title},
                                     {QStringLiteral("steps"), stepArray},
                                     {QStringLiteral("theme"), rawValue(theme)},
                                     {QStringLiteral("createdAt"), toReferenceSeconds(createdAt)},
                                     {QStringLiteral("updatedAt"), toReferenceSeconds(updatedAt)}},
                         otherKeys);
}

std::optional<Tutorial> Tutorial::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    Tutorial tutorial = blank();

    if (const QJsonValue v = object.value(QLatin1String("id")); present(v)) {
        const auto id = uuid(v);
        if (!id) return std::nullopt;
        tutorial.id = *id;
    }
    if (const QJsonValue v = object.value(QLatin1String("title")); present(v)) {
        if (!v.isString()) return std::nullopt;
        tutorial.title = v.toString();
    }
    if (const QJsonValue v = object.value(QLatin1String("steps")); present(v)) {
        if (!v.isArray()) return std::nullopt;
        const QJsonArray array = v.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (auto step = TutorialStep::fromJson(array[i])) {
                tutorial.steps.append(*step);
                continue;
            }
            const QJsonValue title = array[i].toObject().value(QLatin1String("title"));
            tutorial.unreadableSteps.append({static_cast<int>(std::min<qsizetype>(i + 1, INT_MAX)),
                                             title.isString() ? title.toString() : QString(), array[i]});
        }
    }
    if (const QJsonValue v = object.value(QLatin1String("theme")); present(v)) {
        const auto theme = v.isString() ? tutorialThemeFromRawValue(v.toString()) : std::nullopt;
        if (!theme) return std::nullopt;
        tutorial.theme = *theme;
    }
    if (const QJsonValue v = object.value(QLatin1String("createdAt")); present(v)) {
        const auto date = fromReferenceSeconds(v);
        if (!date) return std::nullopt;
        tutorial.createdAt = *date;
    }
    tutorial.updatedAt = tutorial.createdAt;
    if (const QJsonValue v = object.value(QLatin1String("updatedAt")); present(v)) {
        const auto date = fromReferenceSeconds(v);
        if (!date) return std::nullopt;
        tutorial.updatedAt = *date;
    }
    tutorial.otherKeys =
        keysOtherThan(object, {QLatin1String("id"), QLatin1String("title"), QLatin1String("steps"),
                               QLatin1String("theme"), QLatin1String("createdAt"), QLatin1String("updatedAt")});
    return tutorial;
}
