#pragma once

#include <QElapsedTimer>
#include <QFrame>

#include <functional>
#include <optional>

class CardShape;
class QAbstractButton;
class QLabel;
class RecentThumbnail;
class RecentTileRow;
class RecentsStore;
class ShortcutStore;

namespace platform {
class UserDefaults;
}

// The panel that opens at the tray icon, 320 wide: a header with the greeting (or "Pelicarta" while
// "greetingEnabled" is off), the five capture actions with their current shortcuts, the three newest
// captures as tiles, the rows that open the main window on home, history or settings, and "Sair"
// (also Ctrl+Q). Every row that acts closes the panel first, except "Sair". Holds nothing of its own:
// it follows the shortcuts, the recents and the greeting settings.
class MenuBarView : public QFrame {
    Q_OBJECT
public:
    static constexpr int panelWidth = 320;
    static constexpr int tileHeight = 58;

    MenuBarView(ShortcutStore &shortcuts, RecentsStore &recents, platform::UserDefaults &defaults,
                QWidget *parent = nullptr);

    // Shows the panel at `anchor` (the tray icon; invalid: at the pointer), kept on its screen, with the
    // greeting of this moment. Placed again whenever its size changes while it shows: whole inside the
    // screen's available area and clear of the anchor.
    void popup(const QRect &anchor);
    // The tray icon's click: opens the panel, or closes it when it is open. The click that closed it by
    // landing outside it (on the icon) does not open it again.
    void toggle(const QRect &anchor);

signals:
    void quitRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    class Row;
    QWidget *makeHeader();
    QWidget *makeRecents();
    void addRow(const QString &title, const QString &shortcut, std::function<void()> action, bool closesFirst = true);
    void refreshHeader();
    void refreshShortcuts();
    void refreshRecents();
    void place();

    ShortcutStore &m_shortcuts;
    RecentsStore &m_recents;
    platform::UserDefaults &m_defaults;
    CardShape *m_shape = nullptr;
    QLabel *m_headerTitle = nullptr;
    QLabel *m_headerSubtitle = nullptr;
    QWidget *m_noCaptures = nullptr;
    QWidget *m_tileBox = nullptr;
    RecentTileRow *m_tiles = nullptr;
    QList<Row *> m_rows;
    QRect m_anchor;
    // Where the press that closed the panel from outside it was, and since when.
    std::optional<QPoint> m_closingPress;
    QElapsedTimer m_sinceClosingPress;
};
