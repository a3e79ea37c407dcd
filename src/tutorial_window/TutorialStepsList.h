#pragma once

#include "tutorials/Tutorial.h"

#include <QHash>
#include <QList>
#include <QScrollArea>
#include <QUuid>

class PictureLoader;
class QVBoxLayout;
class TutorialStore;

// The scrolling list of step cards of the open tutorial, at most 980 wide and centred, ending with the
// "Gravando: a próxima captura entra aqui" row while recording. Cards are built only as they come near
// the visible part, so a long tutorial opens as fast as a short one; a step keeps its card (and what is
// being typed in it) while the list around it changes. Each step's place in the list is named "step:" and
// its identifier; its card, once built, is inside.
class TutorialStepsList : public QScrollArea {
    Q_OBJECT
public:
    TutorialStepsList(TutorialStore &store, PictureLoader &loader, QWidget *parent = nullptr);

    // The steps as the store holds them now.
    void setSteps(const QList<TutorialStep> &steps, bool recording);
    // Drops every card and goes back to the top, for another tutorial.
    void clear();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    class Slot;

    void buildVisible();

    TutorialStore &m_store;
    PictureLoader &m_loader;
    QWidget *m_column;
    QVBoxLayout *m_layout;
    QWidget *m_recordingRow;
    QList<Slot *> m_slots;
    QHash<QUuid, Slot *> m_byID;
};
