#pragma once

#include <QUuid>
#include <QWidget>

#include <optional>

class BrandStore;
class PictureLoader;
class QLabel;
class QStackedWidget;
class ShortcutStore;
class TutorialDetailHeader;
class TutorialStepsList;
class TutorialStore;

// The open tutorial: its header and, below, either how recording works (no steps yet) or the list of
// step cards. Rebuilt from the stores at every change; keeps nothing of the tutorial itself.
class TutorialDetailView : public QWidget {
    Q_OBJECT
public:
    TutorialDetailView(TutorialStore &store, BrandStore &brand, ShortcutStore &shortcuts, PictureLoader &loader,
                       QWidget *parent = nullptr);

    // Its children: the "header", and the "body" showing the "emptyState" with its how-to rows "howTo1"
    // to "howTo4", or the "steps".

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *makeEmptyState();
    void refresh();
    void refreshHowTo();

    TutorialStore &m_store;
    ShortcutStore &m_shortcuts;
    TutorialDetailHeader *m_header;
    QLabel *m_unreadable; // names the steps of the file that cannot be read
    QStackedWidget *m_body;
    QWidget *m_empty;
    TutorialStepsList *m_steps;
    QList<QLabel *> m_howTo;
    QWidget *m_start = nullptr;
    QWidget *m_recordingActions = nullptr;
    std::optional<QUuid> m_shown; // the tutorial the cards are of
};
