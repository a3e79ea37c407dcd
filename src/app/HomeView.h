#pragma once

#include "core/ShortcutAction.h"

#include <QHash>
#include <QTimer>
#include <QWidget>

class CaptureCard;
class QAbstractButton;
class QLabel;
class RecentThumbnail;
class RecentTileRow;
class RecentsStore;
class ShortcutStore;

namespace platform {
class UserDefaults;
}

// The home page: the greeting, the three capture cards, the newest kept captures with a way to the
// whole history, and a footer of tips. The title greets the user when "greetingEnabled" is on (else it
// reads "Pelicarta"); it is rebuilt at every minute's start while the page is shown, and at once when
// the greeting settings change.
class HomeView : public QWidget {
    Q_OBJECT
public:
    HomeView(ShortcutStore &shortcuts, RecentsStore &recents, platform::UserDefaults &defaults,
             QWidget *parent = nullptr);

    QString title() const;
    CaptureCard *card(ShortcutAction action) const;
    // The tiles of the recent captures, newest first.
    QList<RecentThumbnail *> tiles() const;
    // Fires at the start of the next minute while the page is shown.
    const QTimer &greetingTimer() const { return m_greetingTimer; }

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
    QTimer m_greetingTimer;
    QList<CaptureCard *> m_cards;
    QAbstractButton *m_historyLink = nullptr;
    QWidget *m_placeholder = nullptr;
    RecentTileRow *m_tileRow = nullptr;
};
