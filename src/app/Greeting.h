#pragma once

#include <QDateTime>
#include <QString>

namespace platform {
class UserDefaults;
}

// The personal greeting of the home page ("Bom dia, Ana"): a salutation for the time of day and the
// user's first name. Whether a greeting is shown at all ("greetingEnabled") is the caller's choice.
namespace Greeting {

// "Bom dia" from 05:00 to 11:59, "Boa tarde" from 12:00 to 17:59, "Boa noite" otherwise (local time),
// through L.
QString salutation(const QDateTime &at);

// The name to greet: `customName` trimmed when it holds anything, else the first word of the account's
// full name (words are separated by spaces only); empty when there is neither.
QString firstName(const QString &customName, const QString &accountFullName);

// The salutation, then ", " and the name when there is one.
QString line(const QDateTime &at, const QString &name);

// The name from the "customName" setting of `defaults` and the account of platform::UserSession.
QString firstName(const platform::UserDefaults &defaults);
// The whole greeting at the time platform::Clock tells.
QString line(const platform::UserDefaults &defaults);

} // namespace Greeting
