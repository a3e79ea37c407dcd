#pragma once

#include "tutorials/Tutorial.h"

#include <QWidget>

class GrowingTextEdit;
class LinkButton;
class NumberBadge;
class PictureLoader;
class QLabel;
class QLineEdit;
class StepPictureView;
class ToolbarButton;
class TutorialStore;

// The editor of one step of the open tutorial: number badge, screenshot with its click marker, title
// and description fields, the marker's status and the buttons that move or delete the step. Every
// edit is one call on the store, which saves at once; the card shows the step the host last gave it.
class TutorialStepCard : public QWidget {
    Q_OBJECT
public:
    TutorialStepCard(TutorialStore &store, PictureLoader &loader, QWidget *parent = nullptr);

    // The step as the store holds it now, its position from 1 and the tutorial's step count. A field
    // whose text already reads so is left alone, so typing in it goes on undisturbed.
    void setStep(const TutorialStep &step, int number, int total);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void save(const TutorialStep &edited);
    void refreshMarker();

    TutorialStore &m_store;
    TutorialStep m_step;
    int m_number = 1;
    bool m_syncing = false;
    NumberBadge *m_badge;
    StepPictureView *m_picture;
    QLineEdit *m_title;
    GrowingTextEdit *m_detail;
    QLabel *m_markerIcon;
    QLabel *m_markerText;
    LinkButton *m_removeMarker;
    ToolbarButton *m_up;
    ToolbarButton *m_down;
    ToolbarButton *m_delete;
};
