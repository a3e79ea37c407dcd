#pragma once

#include "core/Shortcut.h"
#include "widgets/Keycap.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <optional>

class HotkeyManager;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class ShortcutStore;
class RecorderKeyFilter;

// The field in which the user gives a capture action a new global combination: it shows the current
// one as key caps; a click starts recording, the next key press with ⌘, ⌥ or ⌃ (or a function key)
// becomes the new combination after validation, Escape gives up. While recording every key press of
// the application is consumed and the global hot keys are suspended. Its children by name: the field
// "shortcutField" (the click target) and below it the message row "statusRow" with its text "statusText"
// and the link "keyboardSettingsLink".
class ShortcutRecorder : public QWidget {
    Q_OBJECT
public:
    ShortcutRecorder(ShortcutStore &store, HotkeyManager &hotkeys, ShortcutAction action, Keycap::Size size,
                     QWidget *parent = nullptr);
    // Over the shared store and hot-key manager.
    ShortcutRecorder(ShortcutAction action, Keycap::Size size, QWidget *parent = nullptr);
    ~ShortcutRecorder() override;

    ShortcutAction action() const { return m_action; }
    bool isRecording() const { return m_recording; }
    std::optional<ShortcutProblem> problem() const { return m_problem; }
    // A control shown right beside the field, centred on it (a button that resets the combination).
    void setAccessory(QWidget *accessory);

    void startRecording();
    void stopRecording();

signals:
    void recordingChanged(bool recording);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    friend class RecorderKeyFilter;
    // One key press while recording; always consumed.
    void handleKeyPress(const class QKeyEvent &event);
    void refresh();

    ShortcutStore &m_store;
    HotkeyManager &m_hotkeys;
    ShortcutAction m_action;
    Keycap::Size m_size;
    bool m_recording = false;
    std::optional<ShortcutProblem> m_problem;
    RecorderKeyFilter *m_filter = nullptr;

    class Field;
    Field *m_field = nullptr;
    QHBoxLayout *m_fieldRow = nullptr; // the field and its accessory
    QWidget *m_status = nullptr;       // the message and the link below the field
    QWidget *m_statusRow = nullptr;    // icon + text, large only
    QLabel *m_statusIcon = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPushButton *m_settingsLink = nullptr;
};
