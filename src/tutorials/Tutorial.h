#pragma once

#include "core/StylePreset.h" // uuidString

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPointF>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>

// The look of an exported guide; stored by its raw value.
enum class TutorialTheme { light, dark, brand };
inline constexpr std::array<TutorialTheme, 3> allTutorialThemes{TutorialTheme::light, TutorialTheme::dark,
                                                                TutorialTheme::brand};

// One step of a tutorial: a screenshot with a heading, a description and an optional click marker.
struct TutorialStep {
    QUuid id = QUuid::createUuid();
    QString title;
    QString detail;
    // Where the user clicked, as fractions 0…1 of the image's width and height from the top left.
    std::optional<QPointF> marker;
    QString imageFile; // a bare file name inside the tutorial's folder
    // Keys this version does not know, written back as they were read.
    QJsonObject otherKeys;

    bool operator==(const TutorialStep &) const = default;

    QJsonObject toJson() const;
    // Strict: "id", "title", "detail" and "imageFile" are required, "marker" may be missing or null.
    // An image file that is not a bare file name (a path, "..", a hidden name) makes the step unreadable.
    static std::optional<TutorialStep> fromJson(const QJsonValue &json);
};

// A tutorial as kept in "Tutoriais/<ID>/tutorial.json". Dates are seconds since 2001-01-01 UTC.
struct Tutorial {
    QUuid id = QUuid::createUuid();
    QString title;
    QList<TutorialStep> steps;
    TutorialTheme theme = TutorialTheme::light;
    QDateTime createdAt = QDateTime::currentDateTimeUtc();
    QDateTime updatedAt = createdAt;
    // Keys this version does not know, written back as they were read.
    QJsonObject otherKeys;

    bool operator==(const Tutorial &) const = default;

    // A new tutorial titled "Novo tutorial" in the current language, created now.
    static Tutorial blank();

    QJsonObject toJson() const;
    // Lenient: a missing or null key takes its default ("updatedAt" falls back to "createdAt"). A value
    // of the wrong kind, or any unreadable step, makes the whole document unreadable.
    static std::optional<Tutorial> fromJson(const QJsonValue &json);
};

QString rawValue(TutorialTheme theme);
std::optional<TutorialTheme> tutorialThemeFromRawValue(const QString &raw);
// "Claro", "Escuro", "Marca", through L.
QString label(TutorialTheme theme);
// Whether `name` can only name a file directly inside a folder: no separators, NUL or leading dot,
// at most 255 bytes.
bool isBareFileName(const QString &name);
