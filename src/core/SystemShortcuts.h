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

// The combinations a Linux desktop takes before any program, and the ones Ctrl means in every
// program, in their fixed order; names already looked up. The first four are the desktop's
// screenshot keys, which its keyboard settings can release.
const QList<ReservedShortcut> &all();
// The first row with the candidate's key code and modifiers (the label is not compared).
std::optional<ReservedShortcut> match(const Shortcut &candidate);
// Opens the desktop's keyboard settings when a settings program is installed; nothing otherwise.
void openKeyboardSettings();
// Whether a keyboard settings program is installed (the link to it shows only then).
bool hasKeyboardSettings();

} // namespace SystemShortcuts
