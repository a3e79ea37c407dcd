#include "platform/SystemSettings.h"

#include <QProcess>
#include <QStandardPaths>

#include <initializer_list>

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

namespace {

bool openFirstInstalled(std::initializer_list<Candidate> candidates) {
    for (const Candidate &candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(candidate.program));
        if (!path.isEmpty()) return launch(path, candidate.arguments);
    }
    return false;
}

} // namespace

bool openKeyboardSettings() {
    return openFirstInstalled({
        {"gnome-control-center", {QStringLiteral("keyboard")}},
        {"systemsettings", {QStringLiteral("kcm_keys")}},
        {"systemsettings5", {QStringLiteral("kcm_keys")}},
        {"xfce4-keyboard-settings", {}},
        {"cinnamon-settings", {QStringLiteral("keyboard")}},
        {"mate-keyboard-properties", {}},
        {"lxqt-config-input", {}},
    });
}

bool openPrivacySettings() {
    return openFirstInstalled({
        {"gnome-control-center", {QStringLiteral("privacy")}},
        {"systemsettings", {}},
        {"systemsettings5", {}},
        {"xfce4-settings-manager", {}},
        {"mate-control-center", {}},
        {"cinnamon-settings", {}},
        {"lxqt-config", {}},
    });
}

} // namespace platform::SystemSettings
