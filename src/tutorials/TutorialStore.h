#pragma once

#include "tutorials/StepPicture.h"
#include "tutorials/Tutorial.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUuid>

#include <optional>

// The tutorial library in "Tutoriais" (one folder per tutorial, named by its identifier, holding
// "tutorial.json" and one PNG per step) and the recording state: while recording, every capture
// becomes the next step of the open tutorial. Created at launch so that recording works before any
// view exists. Main thread only; every write is atomic. File-system failures of the library are
// silent: the in-memory state keeps the change.
//
// No file outside a tutorial's own folder is ever touched: step images are bare file names, each
// tutorial's real folder (as found on disk) is remembered and used for every file operation, and
// linked folders are never listed. Inside it, only our own files are removed (TutorialFolder): a
// user's files beside them stay, and keep the folder.
//
// What is read is written back: a step whose picture is missing stays in the tutorial (its card shows
// a placeholder, an export leaves it out and says so) and every save writes it again. A step of the
// file that cannot be read at all (a path for its picture, a value of the wrong kind) leaves only
// itself out: the tutorial is listed without it, the page names it, and every save writes it back.
class TutorialStore : public QObject {
    Q_OBJECT
public:
    static TutorialStore &shared();
    // Moves the older single tutorial ("Tutorial" beside `root`) into the library, then lists it.
    explicit TutorialStore(QString root, QObject *parent = nullptr);

    const QString &root() const { return m_root; }
    // Newest first by update date after loading, closing and renaming; other edits keep the order.
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

    // Creates, saves and opens a new tutorial at the front of the library; returns its identifier.
    QUuid newTutorial();
    // The calls below take identifiers and steps by copy: views pass the library's own elements,
    // which these calls replace.
    // Opens a tutorial of the library; an unknown identifier changes nothing.
    void open(QUuid id);
    // Leaves the open tutorial (refused while recording). An untouched one (no steps, blank or default
    // title) is deleted; one with steps and a blank title is named "Novo tutorial". Re-sorts.
    void closeTutorial();
    // Removes a tutorial: its document and step pictures, then its folder when nothing else is left in
    // it. Deleting the one being recorded stops the recording.
    void delete_(QUuid id);
    // Gives a tutorial a new title (trimmed; a blank one changes nothing) and moves it to the front.
    void rename(QUuid id, const QString &title);
    // A copy "<title> (cópia)" of a tutorial with copies of the pictures its steps show, at the front of
    // the library. A copy that fails midway is removed again. Returns the copy's identifier.
    std::optional<QUuid> duplicate(QUuid id);

    // Starts recording into the open tutorial (creating one when none is open) and says so.
    void startRecording();
    // Stops recording (`recordingFinished` follows), or starts recording.
    void toggleRecording();
    // Writes the capture as the open tutorial's next step and says so. Nothing happens when no tutorial
    // is open. A step the library's folder refuses (a full disk) is kept as a picture in the private
    // runtime folder ("Passos", a folder per tutorial) and reported (`stepNotSaved`); it becomes the
    // tutorial's next step, in the order taken, as soon as the folder takes it: at the next step, at
    // the end of the recording, or on a timer meanwhile, also after a restart within the login (the
    // runtime folder outlives the application). Returns whether a step was added now.
    bool addStep(const QImage &image);
    // How many steps wait in the runtime folder for their tutorial's folder to take them.
    qsizetype keptStepCount() const { return m_keptSteps.size(); }
    // Adds the steps kept in the runtime folder that their tutorials' folders now take. Kept pictures
    // are read only as the files the store wrote there (platform::KeptPicture); one that is not is set
    // aside, never added.
    void addKeptSteps();

    // Step edits of the open tutorial, matched by the step's identifier; each one saved.
    void update(TutorialStep step);
    // Removes the step and, unless another step shows it, its image file.
    void remove(TutorialStep step);
    // Swaps the step with its neighbour `offset` places away (−1 up, +1 down); none beyond the ends.
    void move(TutorialStep step, int offset);

    // A step image of a tutorial, decoded once and kept in a bounded cache; null when unreadable.
    QImage image(const QString &file, const QUuid &id);
    // The first step's picture reduced to at most 680 pixels a side, for the library; null without
    // steps or when it cannot be read.
    QImage cover(const Tutorial &tutorial);
    // The open tutorial's steps whose image files hold a readable picture, in order, for an export.
    // Only the files' headers are read here.
    QList<StepPicture> exportableSteps() const;

    static constexpr int coverSide = 680;

signals:
    void libraryChanged();
    void currentIDChanged();
    void recordingChanged(bool recording);
    // The user stopped recording: the tutorial is there to look at. src/app shows the tutorial page;
    // the store knows no window.
    void recordingFinished();
    // A step could not be written to the tutorial's folder `folder` (`error` says why). Its picture was
    // kept in `keptIn`, to be added once the folder takes it; empty when it could not be kept either,
    // and the step is lost. Emitted once, until a step is written to the library again; src/app tells
    // the user.
    void stepNotSaved(const QString &folder, const QString &error, const QString &keptIn);
    // A change to a tutorial (its title, theme, steps' text or order) could not be written to its folder
    // `folder` (`error` says why): it shows, but lasts only until the application quits. Emitted once,
    // until a tutorial is saved again; src/app tells the user.
    void tutorialNotSaved(const QString &folder, const QString &error);

private:
    QList<Tutorial> loadLibrary();
    static void migrateLegacy(const QString &legacy, const QString &root);
    // Takes in the steps an earlier run kept in the runtime folder for tutorials of the library.
    void findKeptSteps();
    bool save(const Tutorial &tutorial, QString *error = nullptr);
    // Passes on `saved`; the first failure until a save succeeds again is announced (tutorialNotSaved).
    bool reportSave(const QUuid &id, bool saved, const QString &error);
    // setTutorial, with the reason of a failed save.
    bool store(const Tutorial &tutorial, QString *error);
    // Writes the picture into the tutorial's folder and appends its step; takes both back when the
    // tutorial cannot be saved.
    bool writeStep(const QUuid &id, const QString &file, const QByteArray &png, QString *error);
    // Keeps a step the folder refused in the runtime folder, and says so.
    void keepStep(const QUuid &id, const QString &file, const QByteArray &png, const QString &error);
    // Whether the library folder, and with it the tutorial's folder, are (made) private folders of ours;
    // `error` says why not.
    bool rootReady() const;
    bool folderReady(const QUuid &id, QString *error = nullptr) const;
    qsizetype indexOf(const QUuid &id) const;
    void sortLibrary();
    void dropCached(const QUuid &id);
    void setCurrentID(std::optional<QUuid> id);
    void stopRecording();

    QString m_root;
    QList<Tutorial> m_library;
    QHash<QUuid, QString> m_folders;
    std::optional<QUuid> m_currentID;
    bool m_isRecording = false;
    QCache<QString, QImage> m_images; // "<ID>/<file>", cost in KiB
    QHash<QString, QImage> m_covers;  // "<ID>/<first step's file>", kept while the store lives
    struct KeptStep {
        QUuid tutorial;
        QString file; // its name in the tutorial's folder once added
        QString folder;
        QString keptName; // its name in `folder`: `file` with the order it was taken in
    };
    QList<KeptStep> m_keptSteps; // in the order taken
    qint64 m_lastKeptOrder = 0;
    QString m_keptError;         // why the last one was refused
    QTimer m_retryKept;
    bool m_failureReported = false;     // of steps
    bool m_saveFailureReported = false; // of changes to a tutorial
};
