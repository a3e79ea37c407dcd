#include "platform/DesktopSettings.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform::DesktopSettings {

std::optional<QStringList> program() {
    static const QList<QStringList> candidates = {
        {QStringLiteral("gnome-control-center"), QStringLiteral("privacy")},
        {QStringLiteral("systemsettings")},
        {QStringLiteral("systemsettings5")},
        {QStringLiteral("xfce4-settings-manager")},
        {QStringLiteral("mate-control-center")},
        {QStringLiteral("cinnamon-settings")},
        {QStringLiteral("lxqt-config")},
    };
    for (const QStringList &c : candidates) {
        const QString path = QStandardPaths::findExecutable(c.first());
        if (path.isEmpty()) continue;
        QStringList result = c;
        result.first() = path;
        return result;
    }
    return std::nullopt;
}

bool open() {
    const std::optional<QStringList> command = program();
    if (!command) return false;
    return QProcess::startDetached(command->first(), command->mid(1));
}

} // namespace platform::DesktopSettings
