#pragma once

#include "core/ShortcutAction.h"

#include <QAbstractButton>
#include <QMap>
#include <QWidget>

class HotkeyManager;
class QLabel;
class ShortcutRecorder;
class ShortcutStore;

// The global-shortcuts section of the settings: one recorder per capture action with its reset
// button and the line that says when the system refused the combination, the guide for keyboards
// with a print key, and the list of reserved combinations.
class ShortcutsSection : public QWidget {
    Q_OBJECT
public:
    ShortcutsSection(ShortcutStore &store, HotkeyManager &hotkeys, QWidget *parent = nullptr);

    ShortcutRecorder *recorder(ShortcutAction action) const { return m_recorders.value(action); }
    QAbstractButton *resetButton(ShortcutAction action) const { return m_resets.value(action); }
    // The refusal line of the action's row; empty when it registered.
    QString failureText(ShortcutAction action) const;

private:
    void refresh();

    ShortcutStore &m_store;
    HotkeyManager &m_hotkeys;
    QMap<ShortcutAction, ShortcutRecorder *> m_recorders;
    QMap<ShortcutAction, QAbstractButton *> m_resets;
    QMap<ShortcutAction, QLabel *> m_failures;
};

// The settings page; for now it holds the global-shortcuts section.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget *parent = nullptr);
    ShortcutsSection *shortcuts() const { return m_shortcuts; }

private:
    ShortcutsSection *m_shortcuts = nullptr;
};
