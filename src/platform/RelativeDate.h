#pragma once

#include <QDateTime>
#include <QString>

namespace platform {

// How long ago (or ahead) `date` is from `now`, in words of the language, by the largest calendar unit
// that differs: "há 2 horas", "ontem", "há 3 semanas", "agora" ("2 hours ago", "yesterday", "now").
// A difference of one unit takes its name where the language has one ("ontem", "semana passada").
QString relativeDate(const QDateTime &date, const QDateTime &now, const QString &languageTag);

// The same in the language the application's texts are shown in.
QString relativeDate(const QDateTime &date, const QDateTime &now = QDateTime::currentDateTimeUtc());

} // namespace platform
