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

// A step of a tutorial's file that cannot be read (a path for its picture, a value of the wrong kind,
// a missing key): left out of the steps shown, named to the user by its place in the file, and
// written back as it was, so that no save loses it.
struct UnreadableStep {
    int number = 0;  // its place among the file's steps, from 1
    QString title;   // as stored, when it is text
    QJsonValue json; // as read

    bool operator==(const UnreadableStep &) const = default;
};

// A tutorial as kept in "Tutoriais/<ID>/tutorial.json". Dates are seconds since 2001-01-01 UTC.
struct Tutorial {
    QUuid id = QUuid::createUuid();
    QString title;
    QList<TutorialStep> steps;
    // Steps of the file this version cannot read, in the order of their numbers; written back at their
    // places.
    QList<UnreadableStep> unreadableSteps;
    TutorialTheme theme = TutorialTheme::light;
    QDateTime createdAt = QDateTime::currentDateTimeUtc();
    QDateTime updatedAt = createdAt;
    // Keys this version does not know, written back as they were read.
    QJsonObject otherKeys;

    bool operator==(const Tutorial &) const = default;

    // A new tutorial titled "Novo tutorial" in the current language, created now.
    static Tutorial blank();
    // Whether the file holds any step, readable or not: only a tutorial without any is ever abandoned.
    bool holdsSteps() const { return !steps.isEmpty() || !unreadableSteps.isEmpty(); }

    QJsonObject toJson() const;
    // Lenient: a missing or null key takes its default ("updatedAt" falls back to "createdAt"). A value
    // of the wrong kind makes the whole document unreadable; an unreadable step only itself
    // (`unreadableSteps`).
    static std::optional<Tutorial> fromJson(const QJsonValue &json);
};

QString rawValue(TutorialTheme theme);
std::optional<TutorialTheme> tutorialThemeFromRawValue(const QString &raw);
// "Claro", "Escuro", "Marca", through L.
QString label(TutorialTheme theme);
// Whether `name` can only name a file directly inside a folder: no separators, NUL or leading dot,
// at most 255 bytes.
bool isBareFileName(const QString &name);
