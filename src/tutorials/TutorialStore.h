#pragma once

#include "tutorials/Tutorial.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

// The tutorial library in "Tutoriais" (one folder per tutorial, named by its identifier, holding
// "tutorial.json" and one PNG per step) and the recording state: while recording, every capture
// becomes the next step of the open tutorial. Created at launch so that recording works before any
// view exists. Main thread only; every write is atomic.
class TutorialStore : public QObject {
    Q_OBJECT
public:
    static TutorialStore &shared();
    explicit TutorialStore(QString root, QObject *parent = nullptr);

    const QString &root() const { return m_root; }
    const QList<Tutorial> &library() const { return m_library; }
    std::optional<QUuid> currentID() const { return m_currentID; }
    bool isRecording() const { return m_isRecording; }

    // The open tutorial, or a blank one (not in the library) when none is open.
    Tutorial tutorial() const;
    // Replaces the library's tutorial with the same identifier, stamps its update date and saves it;
    // an unknown identifier changes nothing. Returns whether it was saved.
    bool setTutorial(const Tutorial &tutorial);
    // The folder of a tutorial of the library.
    QString folder(const QUuid &id) const;

    // Creates, saves and opens a new tutorial; returns its identifier.
    QUuid newTutorial();
    // Starts recording into the open tutorial (creating one when none is open) and says so.
    void startRecording();
    // Stops recording (`recordingFinished` follows), or starts recording.
    void toggleRecording();
    // Writes the capture as the open tutorial's next step and says so. Nothing happens when no tutorial
    // is open; a capture that cannot be written is reported and adds no step. Returns whether a step
    // was added.
    bool addStep(const QImage &image);

signals:
    void libraryChanged();
    void currentIDChanged();
    void recordingChanged(bool recording);
    // The user stopped recording: the tutorial is there to look at. src/app shows the tutorial page;
    // the store knows no window.
    void recordingFinished();

private:
    bool save(const Tutorial &tutorial);
    // Whether the library folder and the tutorial's folder are (made) private folders of ours.
    bool folderReady(const QUuid &id) const;
    qsizetype indexOf(const QUuid &id) const;

    QString m_root;
    QList<Tutorial> m_library;
    std::optional<QUuid> m_currentID;
    bool m_isRecording = false;
};
