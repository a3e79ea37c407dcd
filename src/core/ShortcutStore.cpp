#include "core/ShortcutStore.h"

#include "core/Settings.h"
#include "core/SystemShortcuts.h"
#include "platform/KeyEvent.h"
#include "platform/UserDefaults.h"

ShortcutStore::ShortcutStore(platform::UserDefaults &defaults, QObject *parent)
    : QObject(parent), m_defaults(defaults) {
    for (ShortcutAction action : ShortcutActions::all())
        m_shortcuts.insert(action, Settings::shortcut(action).value(m_defaults));
    // A combination edited in the settings file while we run is taken in (and the hot keys follow).
    connect(&m_defaults, &platform::UserDefaults::changedOnDisk, this, [this](const QStringList &keys) {
        for (ShortcutAction action : ShortcutActions::all()) {
            if (!keys.contains(Settings::shortcut(action).key())) continue;
            const Shortcut stored = Settings::shortcut(action).value(m_defaults);
            if (stored != shortcut(action)) setShortcut(action, stored);
        }
    });
}

ShortcutStore &ShortcutStore::shared() {
    static ShortcutStore *store = new ShortcutStore(platform::UserDefaults::standard());
    return *store;
}

Shortcut ShortcutStore::shortcut(ShortcutAction action) const {
    return m_shortcuts.value(action, Shortcut::defaultFor(action));
}

void ShortcutStore::setShortcut(ShortcutAction action, const Shortcut &shortcut) {
    m_shortcuts.insert(action, shortcut);
    emit shortcutsChanged();
}

void ShortcutStore::save(const Shortcut &shortcut, ShortcutAction action) {
    Settings::shortcut(action).set(shortcut, m_defaults);
}

std::optional<ShortcutProblem> ShortcutStore::reset(ShortcutAction action) {
    const Shortcut fallback = Shortcut::defaultFor(action);
    const std::optional<ShortcutProblem> problem = validate(fallback, action);
    if (problem && !problem->isWarning()) return problem;
    setShortcut(action, fallback);
    Settings::shortcut(action).reset(m_defaults);
    return problem;
}

std::optional<ShortcutProblem> ShortcutStore::validate(const Shortcut &candidate, ShortcutAction action) const {
    using namespace platform::ModifierFlag;
    if (!candidate.isFunctionKey() && (candidate.modifiers & (control | option | command)) == 0)
        return ShortcutProblem::needsModifier();
    for (ShortcutAction other : ShortcutActions::all()) {
        if (other == action) continue;
        if (shortcut(other) == candidate) return ShortcutProblem::usedByOtherAction(ShortcutActions::title(other));
    }
    if (const auto row = SystemShortcuts::match(candidate))
        return row->releasable ? ShortcutProblem::systemScreenshot(row->name)
                               : ShortcutProblem::reservedBySystem(row->name);
    return std::nullopt;
}
