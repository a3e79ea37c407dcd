#pragma once

#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"
#include "history/CaptureWriter.h"
#include "history/RecentCapture.h"
#include "platform/AppPaths.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <limits>
#include <optional>

namespace platform {
class UserDefaults;
}

// The recents folder: every capture delivered outside a tutorial is written there as one HEIC or PNG
// file, within the user's keep limit. The folder is the only record; captures are ordered by their
// files' dates. Holds the five newest with thumbnails and the folder's disk usage. Main thread only.
//
// Listing never waits for pictures: the five newest are listed at once with no thumbnail, and their
// files are decoded on worker threads, at reduced size; an item gets its thumbnail when its decoding
// ends, and an item whose file cannot be decoded is dropped then (no later file takes its place).
//
// Only files directly inside the folder whose extension is png or heic (any case) are ever listed or
// counted; hidden files, links, other files and sub-folders are left alone. Only regular files the
// store named ("Pelicarta yyyy-MM-dd HH.mm.ss", an optional " (N)", .png or .heic) are ever pruned or
// deleted, so a user's own pictures in the folder stay. The folder must be a private folder of ours
// (platform::PrivateFolder), checked before every use: a link to another folder, or a folder of
// another user, is never listed, written or pruned, and the user is told once (`keepingFailed`).
class RecentsStore : public QObject {
    Q_OBJECT
public:
    static constexpr int showCount = 5;
    // The most a thumbnail holds: twice the largest tile (116 × 80 on the home page).
    static constexpr QSize thumbnailBox{232, 160};
    static constexpr qint64 unlimited = std::numeric_limits<qint64>::max();
    // The only keep limits: 0 turns keeping off, `unlimited` keeps everything.
    static const QList<qint64> &keepOptions();

    using Encoder = std::function<std::optional<QByteArray>(const QImage &, const ExportSettings &)>;

    // The application's store: the "Recentes" folder of the documents (or of the runtime folder, see
    // AppPaths::documentsSubfolderOrRuntime), the standard user defaults.
    static RecentsStore &shared();
    // `encoder` empty: Exporter::encode. `folder` empty: nothing can be kept.
    RecentsStore(platform::UserDefaults &defaults, QString folder, Encoder encoder = {}, QObject *parent = nullptr);
    ~RecentsStore() override;

    // Where the folder came from when the documents folder could not be used: the user is told at the
    // first capture that captures last only for the session, or are not kept at all.
    void setFallback(const platform::AppPaths::Place &place);

    // Newest first; an item whose thumbnail is still being decoded has a null one.
    const QList<RecentCapture> &items() const { return m_items; }
    // Whether thumbnails of listed captures are still being decoded.
    bool isDecoding() const { return !m_decoding.isEmpty(); }
    qint64 usedBytes() const { return m_usedBytes; }
    const QString &folder() const { return m_folder; }

    // "history.keep" raised to the next keep option (default 500).
    qint64 keepOnDisk() const;
    // "history.compact": HEIC when true (the default), PNG when false.
    bool isCompact() const;

    // Writes the capture as a new file and returns its path; empty when keeping is off or the
    // capture could not be encoded or written. The capture just written is never pruned. The file is
    // named and dated after `taken`, the moment the capture was taken (invalid: now).
    QString add(const QImage &image, const QDateTime &taken = {});
    // The same through the capture writer (`writer`), with the encoding on a worker thread: for callers
    // that do not wait for the path, so that the event loop (and the clipboard it serves) stays free
    // meanwhile. `done` gets the path, or an empty one; it is not called when the store is gone.
    void addInBackground(const QImage &image, const QDateTime &taken = {},
                         std::function<void(const QString &)> done = {});
    // The queue of captures on their way to their files, "Pendentes" beside the folder among them.
    CaptureWriter &writer() { return *m_writer; }

    struct File {
        QString path;
        QDateTime date;
    };
    // The listed files, newest first, with their dates (the history index builds on it).
    QList<File> allFiles() const;
    QStringList sortedFiles() const;
    int fileCount() const;

    // Reads the capture off the main thread and asks for it in the editor (`editorRequested`); a file
    // that has gone is deleted from the store instead (see StoredCapture::open).
    void open(const RecentCapture &item);
    // Shows the file in the file manager.
    void reveal(const RecentCapture &item);
    // Deletes the files among `paths` that are capture files directly inside the folder.
    void deleteFiles(const QStringList &paths);
    void deleteAll();
    // Stores the limit and prunes to it.
    void applyKeepLimit(qint64 limit);

    // The image scaled to cover `thumbnailBox` and cut to it around its centre, never enlarged: all a
    // tile shows of it, at twice the tile's size.
    static QImage thumbnail(const QImage &image);
    // The date a capture file is ordered by (platform::FileDates): its birth time, else its modification
    // time; invalid when neither can be read. Any thread.
    static QDateTime fileDate(const QFileInfo &file);

signals:
    void itemsChanged();
    void usedBytesChanged();
    // The stored keep limit changed (`keepOnDisk`).
    void keepOnDiskChanged();
    // A file was written (for the history index), with the moment it was taken.
    void captureWritten(const QString &path, const QDateTime &taken);
    // Files were removed from the folder: pruned to the keep limit or deleted. Receivers: the history
    // index first, then the router.
    void capturesRemoved(const QStringList &paths);
    // The folder refused a capture (`error` says why); the capture was kept in `keptIn` instead (empty
    // when that failed too, or when the folder is a link or another user's, which keeps nothing). Also
    // when the store works in the runtime folder (`keptIn`) because `folder` could not be made. Emitted
    // once, until a capture is written to the folder again.
    void keepingFailed(const QString &folder, const QString &error, const QString &keptIn);
    // A capture waiting in the waiting folder could not be read back (damaged, or put there by someone
    // else) and was set aside in `folder` instead of being tried at every start. Emitted once a run;
    // src/app tells the user.
    void waitingFileSetAside(const QString &folder);
    // Every capture file was deleted at once (`deleteAll`). Receivers: the router first, then the
    // history index.
    void capturesCleared(const QStringList &paths);
    // A capture read back to be opened in the editor (style: always none); src/app opens it and
    // shows the editor page. The store knows no window.
    void editorRequested(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style);

private:
    struct Listed {
        QString path;
        QDateTime date; // invalid when unknown: sorts last
        qint64 size = 0;
        QDateTime modified;
    };
    using Pending = CaptureWriter::Pending;
    // What a new capture file is made of, or none when keeping is off (or the folder is refused).
    std::optional<Pending> prepareAdd(const QImage &image, const QDateTime &taken);
    Pending pendingAt(const QDateTime &taken) const;
    using Written = CaptureWriter::Written;
    // Encodes the capture, checks the folder again (it may have been replaced meanwhile) and writes the
    // file under a free name of it (elsewhere when the folder refuses it), with its recents thumbnail.
    // Any thread: the heavy part of an add, off the main thread for addInBackground.
    static Written writeCapture(const Encoder &encoder, const QString &folder, const QImage &image,
                                const Pending &pending);
    // Prunes the folder to the keep limit, the capture just written counting as newest, and measures
    // what it then uses. Any thread: done with the write, off the main thread for addInBackground (the
    // listing reads every file's date).
    static void tidyAfterWrite(const QString &folder, const Pending &pending, Written &written);
    // Takes a written capture in: announces it, lists it and the pruning; or reports, once, that the
    // folder refused it.
    QString finishAdd(const Written &written);
    // The capture files directly inside `folder`, newest first; none when it is not a private folder of
    // ours (`problem` says why).
    static QList<Listed> listFolder(const QString &folder, platform::PrivateFolder::Problem *problem);
    QList<Listed> listing() const;
    void load();
    // Decodes the item's thumbnail off the main thread (PictureService).
    void decodeThumbnail(const QString &path);
    void thumbnailDecoded(const QString &path, const QImage &thumbnail);
    // Deletes the files beyond the keep limit.
    void pruneDisk();
    // Deletes the store's own files among `files` (newest first) beyond `limit`, `keep` counting as
    // newest, and leaves in `files` what stays; returns the paths deleted.
    static QStringList prune(const QString &folder, qint64 limit, QList<Listed> &files, const QString &keep);
    void refreshUsage();
    void removed(const QStringList &paths);
    // Removes `path` when it is a regular file of the store's own naming directly inside `folder`;
    // true also when such a file is already gone (callers then tell about it all the same).
    static bool removeOwnFile(const QString &folder, const QString &path);
    bool removeOwnFile(const QString &path) const { return removeOwnFile(m_folder, path); }
    void setUsedBytes(qint64 total, quint64 listedAt);
    // Whether the folder is (or could be made) a private folder of ours; sets m_problem.
    bool folderUsable() const;
    // Emits keepingFailed unless it was since the last capture written to the folder.
    void reportOnce(const QString &folder, const QString &error, const QString &keptIn);
    // Says the first time a waiting file was set aside (`waitingFileSetAside`).
    void tellSetAside(const QString &path);
    // Writes a capture `store` refused into the private runtime folder; its path, or empty.
    static QString keepElsewhere(const QString &store, const QString &fileName, const QByteArray &bytes,
                                 QString *folder);

    platform::UserDefaults &m_defaults;
    QString m_folder;
    Encoder m_encoder;
    QList<RecentCapture> m_items;
    qint64 m_usedBytes = 0;
    quint64 m_usageListedAt = 0;
    bool m_failureReported = false;
    bool m_setAsideTold = false;
    QSet<QString> m_decoding;
    mutable platform::PrivateFolder::Problem m_problem = platform::PrivateFolder::Problem::none;
    struct Fallback {
        QString folder; // the documents folder that could not be used
        QString error;  // why; empty when it was used
        QString keptIn; // where captures go instead (empty: nowhere)
    } m_fallback;
    // Queues the captures a previous run left in the writer's waiting folder.
    void resumeWaiting();
    CaptureWriter *m_writer = nullptr; // a child: its answers die with the store
};
