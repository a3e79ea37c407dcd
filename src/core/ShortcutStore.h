#pragma once

#include "core/Shortcut.h"

#include <QMap>
#include <QObject>

#include <optional>

namespace platform {
class UserDefaults;
}

// The combinations of the five capture actions, kept under "shortcut.<action>" in the user defaults
// (Settings::shortcut).
// Every assignment of a combination is published (`shortcutsChanged`): the hot keys re-register on it.
class ShortcutStore : public QObject {
    Q_OBJECT
public:
    // Loads all five: a stored document that is absent or unreadable means the action's default;
    // nothing is written back.
    explicit ShortcutStore(platform::UserDefaults &defaults, QObject *parent = nullptr);
    // The shared store over the standard user defaults, created on first use.
    static ShortcutStore &shared();

    const QMap<ShortcutAction, Shortcut> &shortcuts() const { return m_shortcuts; }
    Shortcut shortcut(ShortcutAction action) const;
    platform::UserDefaults &defaults() const { return m_defaults; }

    // Puts a combination into the published map (no write).
    void setShortcut(ShortcutAction action, const Shortcut &shortcut);
    // Writes one action's combination to the user defaults.
    void save(const Shortcut &shortcut, ShortcutAction action);
    // Back to the default, validated as a recorded combination is: when another action holds the
    // default, nothing changes and that problem is the answer; otherwise the default is published, the
    // stored value removed, and the answer is none or a warning.
    std::optional<ShortcutProblem> reset(ShortcutAction action);
    bool isDefault(ShortcutAction action) const { return shortcut(action) == Shortcut::defaultFor(action); }

    // The first problem of a candidate for an action: a missing ⌘/⌥/⌃ (function keys excepted), another
    // action's combination, a reserved one (a screenshot one only warns).
    std::optional<ShortcutProblem> validate(const Shortcut &candidate, ShortcutAction action) const;

signals:
    void shortcutsChanged();

private:
    platform::UserDefaults &m_defaults;
    QMap<ShortcutAction, Shortcut> m_shortcuts;
};
