#include "capture/CaptureSettings.h"

#include "platform/UserDefaults.h"

namespace AfterCaptureSetting {

AfterCapture current() { return current(platform::UserDefaults::standard()); }

AfterCapture current(const platform::UserDefaults &defaults) {
    const QString raw = defaults.stringValue(QString::fromLatin1(key)).value_or(QString());
    if (raw == QLatin1String("editor")) return AfterCapture::editor;
    if (raw == QLatin1String("copy")) return AfterCapture::copy;
    return AfterCapture::quick;
}

QString rawValue(AfterCapture value) {
    switch (value) {
    case AfterCapture::editor: return QStringLiteral("editor");
    case AfterCapture::quick: return QStringLiteral("quick");
    case AfterCapture::copy: return QStringLiteral("copy");
    }
    return QStringLiteral("quick");
}

} // namespace AfterCaptureSetting

namespace AreaReleaseSetting {

AreaRelease current() { return current(platform::UserDefaults::standard()); }

AreaRelease current(const platform::UserDefaults &defaults) {
    return defaults.stringValue(QString::fromLatin1(key)) == QStringLiteral("instant") ? AreaRelease::instant
                                                                                       : AreaRelease::adjust;
}

bool tipsEnabled() { return tipsEnabled(platform::UserDefaults::standard()); }

bool tipsEnabled(const platform::UserDefaults &defaults) {
    return defaults.boolValue(QString::fromLatin1(tipsKey)).value_or(true);
}

QString rawValue(AreaRelease value) {
    return value == AreaRelease::instant ? QStringLiteral("instant") : QStringLiteral("adjust");
}

} // namespace AreaReleaseSetting
