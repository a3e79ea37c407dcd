#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class HotkeyManager;
class PrefRow;
class QVBoxLayout;
class RecentsStore;
class ShortcutStore;
class ShortcutsSection;
class StyleStore;

namespace platform {
class UserDefaults;
}

// The settings page: the greeting and the name in it, starting at login, the onboarding again; what
// follows a capture, the quick panel's lifetime, the area release, the overlay's tips, the default
// style, backdrops and presets; the global shortcuts; the history's keep limit, format and disk use;
// and the screen permission where the platform asks for one. Every row shows the settings and stores
// as they are now, read again as the page comes on screen and after every change while it shows (the
// recents folder is listed anew each time); each control makes one change. Settings are read through the same readers
// as their users, so a value they would not accept shows as what they would do instead, and nothing is written until
// the user picks.
class PreferencesView : public QWidget {
    Q_OBJECT
public:
    PreferencesView(ShortcutStore &shortcuts, HotkeyManager &hotkeys, StyleStore &styles, RecentsStore &recents,
                    platform::UserDefaults &defaults, QWidget *parent = nullptr);
    ~PreferencesView() override;

    // The row with this title (tests).
    PrefRow *row(const QString &title) const;

    // Changes the keep limit as a choice of the picker does: asks first when files would go.
    void chooseKeepLimit(qint64 limit);
    // Switches starting at login as the switch does.
    void setLaunchAtLogin(bool on);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Controls;
    QWidget *makeGeneral(QWidget *parent);
    QWidget *makeCapture(QWidget *parent);
    QWidget *makeHistory(QWidget *parent);
    QWidget *makePermission(QWidget *parent);
    PrefRow *addRow(QVBoxLayout *section, const QString &title, QWidget *control);
    void refreshGeneral();
    void refreshCapture();
    void refreshPresets();
    void refreshHistory();
    void refreshPermission();
    bool confirmShrink(qint64 limit, int fileCount);
    void confirmDeleteAll();

    ShortcutStore &m_shortcutStore;
    HotkeyManager &m_hotkeys;
    StyleStore &m_styles;
    RecentsStore &m_recents;
    platform::UserDefaults &m_defaults;
    std::unique_ptr<Controls> m_controls;
    QList<PrefRow *> m_rows;
    QVBoxLayout *m_presetRows = nullptr;
    ShortcutsSection *m_shortcuts = nullptr;
    QString m_launchError;
    bool m_permissionGranted = false;
};
