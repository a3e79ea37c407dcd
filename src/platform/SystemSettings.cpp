#include "platform/SystemSettings.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform::SystemSettings {

namespace {

struct Candidate {
    const char *program;
    QStringList arguments;
};

Launcher &launcher() {
    static Launcher current;
    return current;
}

bool launch(const QString &program, const QStringList &arguments) {
    if (launcher()) return launcher()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

} // namespace

void setLauncher(Launcher replacement) { launcher() = std::move(replacement); }

bool openKeyboardSettings() {
    const Candidate candidates[] = {
        {"gnome-control-center", {QStringLiteral("keyboard")}},
        {"systemsettings", {QStringLiteral("kcm_keys")}},
        {"systemsettings5", {QStringLiteral("kcm_keys")}},
        {"xfce4-keyboard-settings", {}},
        {"cinnamon-settings", {QStringLiteral("keyboard")}},
        {"mate-keyboard-properties", {}},
        {"lxqt-config-input", {}},
    };
    for (const Candidate &candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(candidate.program));
        if (!path.isEmpty()) return launch(path, candidate.arguments);
    }
    return false;
}

} // namespace platform::SystemSettings
