#pragma once

#include <QHash>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QTimer;
class RecentTileRow;
class RecentsStore;
class ShortcutStore;

namespace platform {
class UserDefaults;
}

// The home page: the greeting, the three capture cards, the newest kept captures with a way to the
// whole history, and a footer of tips. The title greets the user when "greetingEnabled" is on (else it
// reads "Pelicarta"); it is rebuilt at every minute's start while the page is shown, and at once when
// the greeting settings change. Its title is "title", the cards "card:" and the action's stored name
// ("card:captureArea"), the row of recent captures "tiles", the timer that fires at the next minute's
// start while the page is shown "greetingTimer".
class HomeView : public QWidget {
    Q_OBJECT
public:
    HomeView(ShortcutStore &shortcuts, RecentsStore &recents, platform::UserDefaults &defaults,
             QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *makeGreeting();
    QWidget *makeCards(ShortcutStore &shortcuts);
    QWidget *makeRecents();
    QWidget *makeFooter();
    void refreshTitle();
    void scheduleTitle();
    void refreshRecents();

    RecentsStore &m_recents;
    platform::UserDefaults &m_defaults;
    QLabel *m_title = nullptr;
    QTimer *m_greetingTimer = nullptr;
    QAbstractButton *m_historyLink = nullptr;
    QWidget *m_placeholder = nullptr;
    RecentTileRow *m_tileRow = nullptr;
};
