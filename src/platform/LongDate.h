#pragma once

#include <QDateTime>
#include <QString>

namespace platform {

// A calendar date written out in full, without the weekday, as the language writes it:
// "7 de dezembro de 2026", "December 7, 2026". The date is taken in the local time zone.
QString longDate(const QDateTime &date, const QString &languageTag);

// The same in the language the application's texts are shown in, with the system's region when
// the system speaks that language ("en-GB" gives "7 December 2026").
QString longDate(const QDateTime &date);

} // namespace platform
