#pragma once

#include "core/BackgroundTextReader.h"
#include "core/PictureService.h"
#include "core/ThumbnailFolder.h"
#include "history/HistoryEntry.h"
#include "history/HistoryIndexFile.h"
#include "history/HistoryIndexWriter.h"
#include "history/RecentsStore.h"
#include "platform/BuildKind.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFuture>
#include <QSet>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The history index: the text inside every kept capture file, read once on this machine and kept in
// "Indice-do-historico.json", so that captures can be found by the words they show.
//
// Mirrors the recents folder as `entries`, newest first, and holds one record per capture file name.
// Files without a record are read by one worker, one at a time, each within the read time limit, at
// background priority (one engine, one core of lowered priority), in a reader process when one is
// given; new captures (`didAdd`) go first, in the order they came. Every capture is read from its
// file when its turn comes: however long the queue, the store holds at most the one picture being
// read. A read that runs out of time is tried again later, alone: once nothing else
// waits and no capture has come nor read timed out for `retryPause`; after `readTries` timeouts the
// file keeps an empty text with its size, marked as timed out: it is not tried again in this run, and
// gets one more round of tries in the next one. A read that is
// stopped or finds no text engine installed stores nothing (the next `reload` queues the file again);
// a file that is no picture gets an empty 0 × 0 record; any other failure stores an empty text, so
// the file is not read again. Every read carries
// a token for its file name: `didAdd` and `forget` make earlier reads of that name stale, and their
// results are dropped. Changes are saved after a quiet interval (and at the latest ten intervals
// after the first unsaved one) by a serial writer off the main thread; a pending save is written by
// `flush` (at quit). The index file is loaded off the main
// thread when the store is made; `reload` waits for it. Main thread only.
class HistoryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(int pendingCount READ pendingCount NOTIFY pendingCountChanged)
public:
    // The most a card picture holds on its longer side.
    static constexpr int thumbnailSide = 480;
    static constexpr QSize thumbnailBox{thumbnailSide, thumbnailSide};

    using FileLister = std::function<QList<RecentsStore::File>()>;
    struct Options {
        QString indexPath;
        // The kept capture files, newest first (the recents store's `allFiles`).
        FileLister files;
        // How long one file's read may take, counted from its own start: past it, the read is
        // abandoned and the file tried again later.
        std::chrono::milliseconds readTimeout{std::chrono::seconds(20) * platform::BuildKind::slowdown};
        // How long the store waits, with nothing else to read, after the last new capture or timed-out
        // read before it tries a timed-out file again.
        std::chrono::milliseconds retryPause{30000};
        // How many times a file may run out of time before it is given up.
        int readTries = 3;
        std::chrono::milliseconds saveDelay{3000};
        // Reads the files apart from this process, so that the text engine never stays in its memory;
        // none, or one that cannot start, and the store reads here. A file it crashed on is read once
        // more; after a second crash it counts as failed.
        std::shared_ptr<BackgroundTextReader> reader;
        // Where the card pictures are made and kept; none: the application's service.
        PictureService *pictures = nullptr;
        // A folder of the user's own where card pictures are kept between runs (ThumbnailFolder);
        // empty: they are made from the capture files every run.
        QString thumbnailFolder;
    };

    // The application's store, made on first use (the application makes it soon after it starts, so
    // that captures the index lacks are read): the index beside the recents folder, the recents
    // store's files. A pending save is written when the application quits.
    static HistoryStore &shared();
    // The application's store when it has been made, else nullptr.
    static HistoryStore *sharedIfMade();

    // Starts loading the index file and schedules the first reload.
    explicit HistoryStore(Options options, QObject *parent = nullptr);
    // Writes a pending save and stops the reads under way.
    ~HistoryStore() override;

    // Every kept capture file, newest first.
    const QList<HistoryEntry> &entries() const { return m_entries; }
    const QList<HistoryEntry> &visibleEntries() const { return m_entries; }
    // Files whose text is still to be read: queued, being read and waiting to be tried again.
    int pendingCount() const { return m_pendingCount; }
    // Goes up at every change of the entries or the records: a search result stays valid while it
    // does not move.
    quint64 revision() const { return m_revision; }
    bool isLoaded() const { return m_loaded; }

    // Lists the capture files again, drops the records of files that are gone, queues those without
    // a record and starts the worker. Before the index is loaded, runs once it is.
    void reload();
    // A capture file was just written: it becomes the newest entry, dated `taken` (invalid: now), and
    // its text is read ahead of queued files, after the new captures before it.
    void didAdd(const QString &path, const QDateTime &taken = {});
    // These files were removed: their entries, queue places, reads, records and thumbnails go. An
    // empty list changes nothing; any other list schedules a save.
    void forget(const QStringList &paths);

    // The recognised text of the entry's file; "" without a record.
    QString text(const HistoryEntry &entry) const;
    // The pixel size of the image read; none without a record or for a file that was no picture.
    std::optional<QSize> dimensions(const HistoryEntry &entry) const;

    // The entries at or after `since` (all when none) whose text holds the query, newest first; a
    // blank query keeps every entry of the period. The query is trimmed and folded here. The last
    // result is reused while the folded query, `since` and the revision stay the same, so a page
    // that asks several times while it renders pays for one scan.
    QList<HistoryEntry> search(const QString &query, const std::optional<QDateTime> &since) const;
    // The first line of the entry's text holding the query, as HistoryText::snippet; none for a
    // blank query, an entry without a record or no matching line.
    std::optional<QString> snippet(const HistoryEntry &entry, const QString &query) const;
    // The card picture of a capture file (PictureService::picture), at most `thumbnailSide` pixels on
    // its longer side; taken from the thumbnail folder while it keeps one of the file as it is.
    QFuture<QImage> thumbnail(const QString &path) {
        return m_thumbnails.picture(path, thumbnailBox, PictureService::Fit::inside, m_thumbnailFolder);
    }
    // One asker of `path`'s thumbnail no longer wants it (PictureService::release).
    void releaseThumbnail(const QString &path) { m_thumbnails.release(path, thumbnailBox); }
    // The thumbnails asked for while it lives start together, the first asked first (PictureService::Batch).
    PictureService::Batch thumbnailBatch() { return PictureService::Batch(m_thumbnails); }
    const PictureService &thumbnails() const { return m_thumbnails; }

    // Writes a pending save now and waits for the writer (at quit).
    void flush();

signals:
    void entriesChanged();
    void pendingCountChanged(int count);
    // A record was stored for the file at `path` (its text, size and dimensions are known).
    void recordStored(const QString &path);
    // The index file has been loaded.
    void loaded();
    // The index file was written (or failed to be).
    void indexWritten(bool ok);

private:
    // How a read ended: with a text (maybe empty); out of time (tried again later); to be tried again
    // at the next reload (stopped, the engine not available at all); or failed on this image (stored
    // empty, not tried again).
    enum class Outcome { text, timedOut, later, failed };
    void applyLoaded(HistoryIndexFile::Contents contents);
    void finishLoadingNow();
    void readNext();
    void decode(const QString &path, const QString &name, quint64 token);
    // Reads the text of `image` (of the file at `path`) for the worker, then goes on with the next.
    void read(const QString &path, const QString &name, quint64 token, const QImage &image, qint64 bytes);
    // Hands the file to the reader apart; when that cannot start, reads it here.
    void readApart(const QString &path, const QString &name, quint64 token);
    // What a read apart leaves in the index (a file it crashed on twice: failed); warns as a read here does.
    std::optional<HistoryRecord> recordOf(const QString &name, const QString &path,
                                          const BackgroundTextReader::Result &result);
    // Recognises `image`, then calls `done` on the main thread unless the store is gone.
    void recognize(const QString &name, quint64 token, const QImage &image,
                   std::function<void(Outcome, const QString &)> done);
    // After a worker's read: the next queued file, unless the read was abandoned meanwhile.
    void workerReadEnded(quint64 token);
    // What a read leaves in the index: nothing when it is to be tried again.
    std::optional<HistoryRecord> recordOf(const QString &name, const QString &path, Outcome outcome,
                                          const QString &text, QSize size, qint64 bytes);
    // Whether a timed-out file may be tried again now: nothing else to read and quiet for the pause.
    bool mayRetry();
    bool isCurrent(const QString &name, quint64 token) const { return m_inFlight.value(name) == token; }
    quint64 beginRead(const QString &name);
    void cancelRead(const QString &name);
    // Ends the current read of `name`; stores `record` when given and the file still exists.
    void endRead(const QString &name, const QString &path, const std::optional<HistoryRecord> &record);
    void store(const QString &name, const QString &path, const HistoryRecord &record);
    // Removes the entries `gone` names, with their folded texts; returns them.
    QList<HistoryEntry> removeEntries(const std::function<bool(const HistoryEntry &)> &gone);
    // Lines the folded texts up with the entries again.
    void alignFolded();
    void updatePendingCount();
    void changed();
    void scheduleSave();
    void save();

    Options m_options;
    QList<HistoryEntry> m_entries;
    // The folded text of each entry's record, at the entry's index (null without a record): a search
    // walks it without a lookup per entry.
    QList<QByteArray> m_folded;
    HistoryRecords m_records;
    QStringList m_fresh;    // new captures, first come first
    QStringList m_queue;    // files without a record, after the new captures
    QStringList m_retries;  // files that ran out of time, read when nothing else waits
    // How often each file name ran out of time.
    QHash<QString, int> m_timeouts;
    // Files whose record says an earlier run gave up on them, tried again in this run: each only once.
    QSet<QString> m_retriedAfterTimeouts;
    // Since the last new capture or timed-out read; a retry waits for it to reach the pause.
    QElapsedTimer m_quiet;
    QTimer m_retryTimer;
    // The read that counts for each file name being read, by its token.
    QHash<QString, quint64> m_inFlight;
    struct Recognition {
        quint64 token = 0;
        QFuture<QString> future;
        quint64 apart = 0; // the reader's id for a read apart
    };
    void stopRecognition(const Recognition &running);
    // How often the reader apart crashed on each file name.
    QHash<QString, int> m_crashes;
    QHash<QString, Recognition> m_recognitions;
    quint64 m_lastToken = 0;
    int m_pendingCount = 0;
    bool m_workerRunning = false;
    quint64 m_workerToken = 0; // the worker's current read; 0 between reads
    quint64 m_revision = 0;

    QFuture<HistoryIndexFile::Contents> m_loading;
    bool m_loaded = false;
    bool m_reloadWhenLoaded = true;
    bool m_saveWhenLoaded = false;
    // Names added or forgotten before the index was loaded: what the file says of them is out of date.
    QSet<QString> m_touchedWhileLoading;

    QTimer m_saveTimer;
    QElapsedTimer m_unsavedSince;
    HistoryIndexWriter m_writer;
    PictureService &m_thumbnails = m_options.pictures ? *m_options.pictures : PictureService::shared();
    std::shared_ptr<ThumbnailFolder> m_thumbnailFolder;
    bool m_thumbnailFolderChecked = false; // the pictures of captures gone were dropped this run

    struct LastSearch {
        QByteArray key;
        std::optional<qint64> since;
        quint64 revision = 0;
        QList<HistoryEntry> result;
    };
    mutable std::optional<LastSearch> m_lastSearch;
};
