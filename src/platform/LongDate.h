#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace platform {

// A calendar date written out in full, without the weekday, as the language writes it:
// "7 de dezembro de 2026", "December 7, 2026". The date is taken in the local time zone.
QString longDate(const QDateTime &date, const QString &languageTag);

// The same in the language the application's texts are shown in, with the system's region when
// the system speaks that language ("en-GB" gives "7 December 2026").
QString longDate(const QDateTime &date);

// A day as a heading: the full weekday, the day, the full month and, when `withYear`, the year, in
// the order and with the punctuation the language gives these fields ("sábado, 15 de março de 2025",
// "Saturday, March 15"). Empty for an invalid day.
QString dayHeading(QDate day, bool withYear, const QString &languageTag);
QString dayHeading(QDate day, bool withYear);

// The time of day of a moment, hours and minutes, in the language's own clock ("14:05", "2:05 PM").
// Qt's short format would show the seconds where the system has no locale set.
QString shortTime(const QDateTime &moment, const QString &languageTag);
QString shortTime(const QDateTime &moment);

// A local moment as a short mention: the abbreviated date and the time ("15 de mar. de 2025, 14:05",
// "Mar 15, 2025, 2:05 PM"), in the application's language.
QString abbreviatedDateTime(const QDateTime &moment);

} // namespace platform
