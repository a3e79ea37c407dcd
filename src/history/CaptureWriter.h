#pragma once

#include "core/ExportSettings.h"
#include "platform/PrivateFolder.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <limits>
#include <list>
#include <memory>

// The queue of captures on their way to their recents files: encoded in the order they came, as many
// at once as the process has processors (`encodingsAtOnce`), each on one thread; taken in (`TakeIn`)
// and answered in that order whichever encoding ends first. A capture that has to wait for its turn
// is written at once as a quickly made PNG into the waiting folder ("Pendentes"), so that a burst
// holds at most `heldWaiting` waiting pictures in memory, and a crash leaves the rest there: the
// next start writes what it finds in it, oldest first (`resumeWaiting`).
//
// Work the user waits for goes first (`beginUrgentWork`): while a copy is on its way to the
// clipboard, no encoding starts, and the newest captures wait in memory. A capture handed in is the
// writer's from then on, whatever becomes of the display: `saveHeld` puts what it holds on disk with
// no event loop. Main thread only, except where said.
class CaptureWriter : public QObject {
    Q_OBJECT
public:
    // How and where one capture is written.
    struct Pending {
        QDateTime time; // when the capture was taken
        ExportSettings settings;
        QString extension;
        qint64 keepLimit = std::numeric_limits<qint64>::max(); // files the folder keeps, the new one among them
        QString name; // the file's path, reserved when its encoding started in turn (empty: the first free)
    };
    // What became of it.
    struct Written {
        QString path; // empty when encoding failed, or when the folder refused it and no copy was kept
        QDateTime taken;
        QImage thumbnail;
        platform::PrivateFolder::Problem problem = platform::PrivateFolder::Problem::none; // the folder's, at writing
        bool refused = false; // the file is not in the folder: `path` is the copy kept elsewhere, if any
        QString error;        // why writing failed, when the folder itself was fine
        QString keptIn;       // the folder of the copy
        QString setAside;     // where its waiting file went because it could not be read
        // Tidying after the write: the files pruned beyond the keep limit, and the folder's usage then
        // (with the listing's turn, so that an older figure never replaces a newer one).
        QStringList pruned;
        qint64 usedBytes = -1;
        quint64 listedAt = 0;
    };
    // Encodes and writes one capture: any thread, off the main thread here.
    using Write = std::function<Written(const QImage &, const Pending &)>;
    // Takes a written capture in, on the main thread, in the order taken; the path its `done` learns.
    using TakeIn = std::function<QString(const Written &)>;

    // `folder`: the recents folder (empty: nothing is written); the waiting folder is "Pendentes" beside it.
    CaptureWriter(const QString &folder, Write write, TakeIn takeIn, QObject *parent = nullptr);
    ~CaptureWriter() override;

    // Queues the capture; `done` gets its path, or an empty one, and is not called once the writer is gone.
    void add(const QImage &image, const Pending &pending, std::function<void(const QString &)> done = {});
    // Queues the captures a previous run left in the waiting folder, oldest first; `pendingAt` says how
    // each is written, from the moment it was taken.
    void resumeWaiting(const std::function<Pending(const QDateTime &)> &pendingAt);

    int encodingsAtOnce() const;
    // Tests and benchmarks fix how many captures are encoded at once; 0 restores the processor count.
    void setEncodingsAtOnce(int count) { m_encodingsAtOnce = count; }
    // How many captures waiting for their turn keep their picture in memory besides their waiting file.
    static constexpr int heldWaiting = 2;
    const QString &waitingFolder() const { return m_waitingFolder; }
    // Captures not finished yet (encoding or waiting), and how many of the waiting ones the writer holds
    // the picture of, whoever else holds it too (what a burst costs in memory beyond the encodings).
    int pendingCount() const { return int(m_jobs.size()); }
    int picturesHeld() const;

    // Work the user waits for has started (a copy to the clipboard), or has ended: while any is under
    // way, no encoding starts.
    void beginUrgentWork();
    void endUrgentWork();

    // Finishes the captures now (at quit, so that none is lost), urgent work or not. Captures that wait
    // as files are left for the next start once `budgetMs` has passed (they are safe on disk), and those
    // only in memory then go to the waiting folder; the ones being encoded are finished. Gives up,
    // saying so in the log and returning false, once none has ended for half a minute.
    bool waitForPending(int budgetMs = 5000);
    // The display has gone and the event loop with it: every capture held only in memory is written to
    // the waiting folder now, on this thread, and the waiting files being written are waited for.
    // Encodings under way finish on their own threads (their files need nothing of this one). Nothing
    // is taken in or announced; the next start writes the waiting files.
    void saveHeld();

private:
    struct Job;
    void complete(Job *job);
    // Takes in the oldest encodings that have ended, up to the first still running.
    void completeInOrder();
    // Starts the next encodings, and sends the captures waiting behind them to the waiting folder,
    // letting go of their pictures beyond the first `heldWaiting`.
    void pump();
    void startWriting(Job *job);
    void startWaiting(Job *job);
    void waitingWritten(Job *job, const QString &path);

    QString m_folder;
    QString m_waitingFolder;
    Write m_write;
    TakeIn m_takeIn;
    std::list<std::unique_ptr<Job>> m_jobs;
    bool m_stopWaiting = false; // quitting: captures waiting as files stay there for the next start
    bool m_finishing = false;   // quitting: urgent work no longer holds encodings back
    int m_urgent = 0;
    int m_encodingsAtOnce = 0;
    QThreadPool m_waitingThreads;
};
