#pragma once

#include "core/ShortcutAction.h"

#include <QAbstractButton>
#include <QMap>
#include <QWidget>

class HotkeyManager;
class PrefRow;
class ShortcutRecorder;
class ShortcutStore;

// The global-shortcuts section of the settings page: one row per capture action with its recorder and
// reset button (the row's detail says when the system refused the combination, or why a reset was
// refused), the guide for keyboards with a print key, and the list of reserved combinations, collapsed.
class ShortcutsSection : public QWidget {
    Q_OBJECT
public:
    ShortcutsSection(ShortcutStore &store, HotkeyManager &hotkeys, QWidget *parent = nullptr);

    ShortcutRecorder *recorder(ShortcutAction action) const { return m_recorders.value(action); }
    QAbstractButton *resetButton(ShortcutAction action) const { return m_resets.value(action); }
    PrefRow *row(ShortcutAction action) const { return m_rows.value(action); }

private:
    void reset(ShortcutAction action);
    void refresh();

    ShortcutStore &m_store;
    HotkeyManager &m_hotkeys;
    QMap<ShortcutAction, ShortcutRecorder *> m_recorders;
    QMap<ShortcutAction, QAbstractButton *> m_resets;
    QMap<ShortcutAction, PrefRow *> m_rows;
    // Why the last reset of an action was refused, until the combinations change.
    QMap<ShortcutAction, QString> m_resetRefusals;
};
