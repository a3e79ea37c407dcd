#pragma once

#include "core/Shortcut.h"

#include <QList>
#include <QString>

#include <optional>

// A combination the desktop keeps for itself. `releasable`: the user can switch it off in the system's
// keyboard settings (the screenshot shortcuts).
struct ReservedShortcut {
    Shortcut shortcut;
    QString name;
    bool releasable = false;

    // "<key code>-<modifiers>", e.g. "20-1179648".
    QString id() const;
};

namespace SystemShortcuts {

// The 21 reserved combinations, in their fixed order; names already looked up.
const QList<ReservedShortcut> &all();
// The first row with the candidate's key code and modifiers (the label is not compared).
std::optional<ReservedShortcut> match(const Shortcut &candidate);
// Opens the desktop's keyboard settings when a settings program is installed; nothing otherwise.
void openKeyboardSettings();

} // namespace SystemShortcuts
