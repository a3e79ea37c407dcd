#include "platform/SystemSettings.h"

#include "platform/ProgramLauncher.h"

#include <QStandardPaths>

#include <QList>
#include <optional>
#include <utility>

namespace platform::SystemSettings {

namespace {

struct Candidate {
    const char *program;
    QStringList arguments;
};

// The first installed candidate, with its full path; none when none is.
std::optional<std::pair<QString, QStringList>> firstInstalled(const QList<Candidate> &candidates) {
    for (const Candidate &candidate : candidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(candidate.program));
        if (!path.isEmpty()) return std::make_pair(path, candidate.arguments);
    }
    return std::nullopt;
}

bool openFirstInstalled(const QList<Candidate> &candidates) {
    const auto found = firstInstalled(candidates);
    return found && ProgramLauncher::shared().startDetached(found->first, found->second);
}

const QList<Candidate> &keyboardPrograms() {
    static const QList<Candidate> programs = {
        {"gnome-control-center", {QStringLiteral("keyboard")}},
        {"systemsettings", {QStringLiteral("kcm_keys")}},
        {"systemsettings5", {QStringLiteral("kcm_keys")}},
        {"xfce4-keyboard-settings", {}},
        {"cinnamon-settings", {QStringLiteral("keyboard")}},
        {"mate-keyboard-properties", {}},
        {"lxqt-config-input", {}},
    };
    return programs;
}

} // namespace

bool openKeyboardSettings() { return openFirstInstalled(keyboardPrograms()); }

bool hasKeyboardSettings() { return firstInstalled(keyboardPrograms()).has_value(); }

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
