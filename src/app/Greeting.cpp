#include "app/Greeting.h"

#include "core/Localization.h"
#include "core/Settings.h"
#include "platform/Clock.h"
#include "platform/UserAccount.h"

namespace Greeting {

QString salutation(const QDateTime &at) {
    const int hour = at.toLocalTime().time().hour();
    if (hour >= 5 && hour <= 11) return L("Bom dia");
    if (hour >= 12 && hour <= 17) return L("Boa tarde");
    return L("Boa noite");
}

QString firstName(const QString &customName, const QString &accountFullName) {
    const QString custom = customName.trimmed();
    if (!custom.isEmpty()) return custom;
    // Only the space separates words: a tab inside the first word stays there.
    return accountFullName.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
}

QString line(const QDateTime &at, const QString &name) {
    return name.isEmpty() ? salutation(at) : salutation(at) + QStringLiteral(", ") + name;
}

QString firstName(const platform::UserDefaults &defaults) {
    return firstName(Settings::customName.value(defaults), platform::UserSession::shared().accountFullName());
}

QString line(const platform::UserDefaults &defaults) {
    return line(platform::Clock::shared().now(), firstName(defaults));
}

} // namespace Greeting
