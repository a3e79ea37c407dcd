#include "history/RecentsStore.h"

#include "core/CaptureFileName.h"
#include "core/Exporter.h"
#include "core/FolderTrouble.h"
#include "core/PictureService.h"
#include "core/Settings.h"
#include "history/CaptureNames.h"
#include "history/Log.h"
#include "history/StoredCapture.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DirectoryCount.h"
#include "platform/FileReveal.h"
#include "platform/ImageFile.h"
#include "platform/LongDate.h"
#include "platform/Memory.h"
#include "platform/PngEncoder.h"
#include "platform/ThreadPriority.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QFutureWatcher>
#include <QPainter>
#include <QScopeGuard>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <unistd.h>
#include <cstdio>
#include <mutex>

namespace {

bool hasCaptureExtension(const QString &path) {
    return path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".heic"), Qt::CaseInsensitive);
}

// Every capture the folder refused goes to the log; the user is told of the first of a run only.
void logNotKept(const QString &folder, const QString &error, const QString &keptIn) {
    if (keptIn.isEmpty())
        qCWarning(lcHistory, "a capture was not kept: the folder %s refuses it (%s)", qPrintable(folder),
                  qPrintable(error));
    else
        qCWarning(lcHistory, "a capture was kept in %s: the folder %s refuses it (%s)", qPrintable(keptIn),
                  qPrintable(folder), qPrintable(error));
}

// A link or another user's folder is refused outright, so that the user notices and mends it.
bool refusedOutright(platform::PrivateFolder::Problem problem) {
    return problem == platform::PrivateFolder::Problem::link || problem == platform::PrivateFolder::Problem::notOurs;
}

} // namespace

const QList<qint64> &RecentsStore::keepOptions() {
    static const QList<qint64> options{0, 20, 100, 500, 2000, unlimited};
    return options;
}

RecentsStore &RecentsStore::shared() {
    static RecentsStore *store = [] {
        const platform::AppPaths::Place place =
            platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Recentes"));
        auto *created = new RecentsStore(platform::UserDefaults::standard(), place.path);
        created->setFallback(place);
        // A capture taken just before quitting is still written.
        if (QCoreApplication *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, created, [created] { created->writer().waitForPending(); });
        return created;
    }();
    return *store;
}

RecentsStore::RecentsStore(platform::UserDefaults &defaults, QString folder, Encoder encoder, QObject *parent)
    : QObject(parent), m_defaults(defaults),
      m_folder(folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath())),
      m_encoder(encoder ? std::move(encoder) : Encoder(&Exporter::encode)) {
    // The writer encodes and writes with the store's own steps, on its workers: they read nothing of
    // the store but what they are given.
    m_writer = new CaptureWriter(
        m_folder,
        [encoder = m_encoder, folder = m_folder](const QImage &image, const Pending &pending) {
            Written written = writeCapture(encoder, folder, image, pending);
            tidyAfterWrite(folder, pending, written);
            return written;
        },
        [this](const Written &written) { return finishAdd(written); }, this);
    m_defaults.onChange(Settings::historyKeep.key(), this, [this] { emit keepOnDiskChanged(); });
    load();
    resumeWaiting();
}

void RecentsStore::setFallback(const platform::AppPaths::Place &place) {
    if (place.problem == platform::PrivateFolder::Problem::none) return;
    m_fallback = {place.problemPath, FolderTrouble::reason(place.problem), place.path};
}

bool RecentsStore::folderUsable() const {
    if (m_folder.isEmpty()) return false;
    m_problem = platform::PrivateFolder::ensure(m_folder);
    return m_problem == platform::PrivateFolder::Problem::none;
}

void RecentsStore::reportOnce(const QString &folder, const QString &error, const QString &keptIn) {
    if (m_failureReported) return;
    m_failureReported = true;
    emit keepingFailed(folder, error, keptIn);
}

RecentsStore::~RecentsStore() {
    // Thumbnails not decoded yet are wanted no more.
    for (const QString &path : std::as_const(m_decoding))
        PictureService::shared().release(path, thumbnailBox, PictureService::Fit::cover);
}

qint64 RecentsStore::keepOnDisk() const {
    const qint64 value = Settings::historyKeep.value(m_defaults);
    for (qint64 option : keepOptions())
        if (option >= value) return option;
    return unlimited;
}

bool RecentsStore::isCompact() const { return Settings::historyCompact.value(m_defaults); }

QDateTime RecentsStore::fileDate(const QFileInfo &file) {
    platform::FileDates &dates = platform::FileDates::shared();
    const QDateTime birth = dates.made(file);
    const QDateTime modified = dates.modified(file);
    // A capture that waited for its turn is born after it was taken, which its modification time keeps.
    if (birth.isValid() && modified.isValid() && modified < birth && CaptureNames::isOwn(file.fileName())) return modified;
    return birth.isValid() ? birth : modified;
}

QList<RecentsStore::Listed> RecentsStore::listFolder(const QString &folder, platform::PrivateFolder::Problem *problem) {
    QList<Listed> files;
    // A folder that is not ours (a link to another one) is never listed, written or pruned.
    *problem =
        folder.isEmpty() ? platform::PrivateFolder::Problem::cannotCreate : platform::PrivateFolder::ensure(folder);
    if (*problem != platform::PrivateFolder::Problem::none) return files;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        if (!hasCaptureExtension(entry.fileName())) continue;
        files.append({entry.absoluteFilePath(), fileDate(entry), entry.size(), entry.lastModified()});
    }
    std::stable_sort(files.begin(), files.end(), [](const Listed &a, const Listed &b) {
        if (!b.date.isValid()) return a.date.isValid();
        return a.date.isValid() && a.date > b.date;
    });
    return files;
}

QList<RecentsStore::Listed> RecentsStore::listing() const {
    if (m_folder.isEmpty()) return {};
    return listFolder(m_folder, &m_problem);
}

QList<RecentsStore::File> RecentsStore::allFiles() const {
    QList<File> files;
    for (const Listed &listed : listing()) files.append({listed.path, listed.date});
    return files;
}

QStringList RecentsStore::sortedFiles() const {
    QStringList paths;
    for (const Listed &listed : listing()) paths.append(listed.path);
    return paths;
}

int RecentsStore::fileCount() const {
    // The listing's entries by name and type alone: the settings page counts at every look, over
    // folders of thousands of captures.
    return folderUsable() ? platform::countFiles(m_folder, &hasCaptureExtension) : 0;
}

std::optional<RecentsStore::Pending> RecentsStore::prepareAdd(const QImage &image, const QDateTime &taken) {
    if (keepOnDisk() < 1 || image.isNull()) return std::nullopt;
    if (m_folder.isEmpty()) {
        logNotKept(m_fallback.folder, m_fallback.error, {});
        reportOnce(m_fallback.folder, m_fallback.error, {});
        return std::nullopt;
    }
    if (!folderUsable() && refusedOutright(m_problem)) {
        logNotKept(m_folder, FolderTrouble::reason(m_problem), {});
        reportOnce(m_folder, FolderTrouble::reason(m_problem), {});
        return std::nullopt;
    }
    return pendingAt(taken.isValid() ? taken : platform::Clock::shared().now());
}

RecentsStore::Pending RecentsStore::pendingAt(const QDateTime &taken) const {
    const bool compact = isCompact();
    Pending pending{taken, ExportSettings{}, compact ? QStringLiteral("heic") : QStringLiteral("png"), keepOnDisk(), {}};
    pending.settings.format = compact ? ExportFormat::heic : ExportFormat::png;
    pending.settings.quality = compact ? 0.92 : 1.0;
    return pending;
}

RecentsStore::Written RecentsStore::writeCapture(const Encoder &encoder, const QString &folder, const QImage &image,
                                                 const Pending &pending) {
    Written written;
    written.taken = pending.time;
    const std::optional<QByteArray> bytes = encoder(image, pending.settings);
    if (!bytes || bytes->isEmpty()) return written;
    written.problem = platform::PrivateFolder::ensure(folder);
    if (refusedOutright(written.problem)) {
        written.refused = true;
        return written;
    }
    CaptureNames &names = CaptureNames::shared();
    std::lock_guard lock(names.mutex());
    // The name reserved when its encoding started, unless something took it meanwhile.
    const QString path = names.takeReserved(pending.name)
                             ? pending.name
                             : names.freeName(folder + QLatin1Char('/') + CaptureFileName::stem(pending.time),
                                              pending.extension);
    if (written.problem != platform::PrivateFolder::Problem::none ||
        !platform::writeFileAtomically(path, *bytes, &written.error)) {
        // The capture just taken is not lost: it goes to the private runtime folder when there is one.
        written.refused = true;
        written.path = keepElsewhere(folder, QFileInfo(path).fileName(), *bytes, &written.keptIn);
        return written;
    }
    CaptureNames::date(path, pending.time);
    written.path = path;
    written.thumbnail = thumbnail(image);
    return written;
}

namespace {

// Folder listings in the order they were made, so that a store never takes an older usage figure
// after a newer one; and one tidying at a time, so that two writes never prune (and announce) one file twice.
std::atomic<quint64> listings{0};
std::mutex tidying;

} // namespace

QStringList RecentsStore::prune(const QString &folder, qint64 limit, QList<Listed> &files, const QString &keep) {
    if (limit == unlimited) return {};
    // The capture just written counts as newest, whatever its date says.
    const auto mine = std::find_if(files.begin(), files.end(), [&](const Listed &l) { return l.path == keep; });
    if (mine != files.end()) std::rotate(files.begin(), mine, std::next(mine));
    if (files.size() <= limit) return {};
    QStringList pruned;
    QList<Listed> kept = files.mid(0, static_cast<qsizetype>(limit));
    for (const Listed &listed : files.mid(static_cast<qsizetype>(limit))) {
        if (removeOwnFile(folder, listed.path)) {
            pruned.append(listed.path);
        } else {
            kept.append(listed); // a user's own picture stays
        }
    }
    files = kept;
    return pruned;
}

void RecentsStore::tidyAfterWrite(const QString &folder, const Pending &pending, Written &written) {
    if (written.refused || written.path.isEmpty()) return;
    std::lock_guard lock(tidying);
    platform::PrivateFolder::Problem problem = platform::PrivateFolder::Problem::none;
    QList<Listed> files = listFolder(folder, &problem);
    if (problem != platform::PrivateFolder::Problem::none) return;
    written.pruned = prune(folder, pending.keepLimit, files, written.path);
    qint64 total = 0;
    for (const Listed &listed : files) total += listed.size;
    written.usedBytes = total;
    written.listedAt = ++listings;
}

QString RecentsStore::finishAdd(const Written &written) {
    if (!written.setAside.isEmpty()) tellSetAside(written.setAside);
    m_problem = written.problem;
    if (written.refused) {
        // The user is told once where the capture went (if anywhere), and why the folder refused it.
        const QString error = FolderTrouble::reason(written.problem, written.error);
        logNotKept(m_folder, error, written.keptIn);
        reportOnce(m_folder, error, written.keptIn);
        return written.path;
    }
    if (written.path.isEmpty()) return {};
    // Kept in the runtime folder because the documents folder could not be made: said once.
    if (!m_fallback.error.isEmpty()) {
        reportOnce(m_fallback.folder, m_fallback.error, m_folder);
    } else {
        m_failureReported = false;
    }

    emit captureWritten(written.path, written.taken);
    const QFileInfo file(written.path);
    m_items.prepend({written.path, written.taken, written.thumbnail, file.size(), file.lastModified()});
    while (m_items.size() > showCount) m_items.removeLast();
    emit itemsChanged();
    if (!written.pruned.isEmpty()) removed(written.pruned);
    if (written.listedAt != 0) {
        setUsedBytes(written.usedBytes, written.listedAt);
    } else {
        refreshUsage(); // the folder could not be listed after the write
    }
    return written.path;
}

void RecentsStore::tellSetAside(const QString &path) {
    if (std::exchange(m_setAsideTold, true)) return;
    emit waitingFileSetAside(QFileInfo(path).path());
}

QString RecentsStore::add(const QImage &image, const QDateTime &taken) {
    const std::optional<Pending> pending = prepareAdd(image, taken);
    if (!pending) return {};
    Written written = writeCapture(m_encoder, m_folder, image, *pending);
    tidyAfterWrite(m_folder, *pending, written);
    return finishAdd(written);
}

void RecentsStore::addInBackground(const QImage &image, const QDateTime &taken,
                                   std::function<void(const QString &)> done) {
    const std::optional<Pending> pending = prepareAdd(image, taken);
    if (!pending) {
        if (done) done({});
        return;
    }
    m_writer->add(image, *pending, std::move(done));
}

void RecentsStore::resumeWaiting() {
    if (!folderUsable() && refusedOutright(m_problem)) return;
    m_writer->resumeWaiting([this](const QDateTime &taken) { return pendingAt(taken); });
}

void RecentsStore::load() {
    QList<RecentCapture> items;
    const QList<Listed> files = listing();
    for (qsizetype i = 0; i < std::min<qsizetype>(files.size(), showCount); ++i) {
        // A thumbnail already held (or on its way) is kept while its file is the same (size and
        // modification time): a deletion reloads the list. A file replaced or spoilt meanwhile is read again.
        const Listed &file = files[i];
        const auto held = std::find_if(m_items.cbegin(), m_items.cend(), [&](const RecentCapture &item) {
            return item.path == file.path && item.fileSize == file.size && item.modified == file.modified;
        });
        items.append(
            {file.path, file.date, held != m_items.cend() ? held->thumbnail : QImage(), file.size, file.modified});
        if (items.last().thumbnail.isNull()) decodeThumbnail(file.path);
    }
    m_items = items;
    emit itemsChanged();
    refreshUsage();
}

void RecentsStore::decodeThumbnail(const QString &path) {
    if (m_decoding.contains(path)) return;
    m_decoding.insert(path);
    PictureService &pictures = PictureService::shared();
    // Read afresh: the listing holds no thumbnail of the file as it is now, and a picture kept of it
    // may be of an earlier file of that name.
    pictures.forget(path);
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        const QFuture<QImage> future = watcher->future();
        thumbnailDecoded(path, future.resultCount() > 0 ? future.result() : QImage());
    });
    watcher->setFuture(pictures.picture(path, thumbnailBox, PictureService::Fit::cover));
}

void RecentsStore::thumbnailDecoded(const QString &path, const QImage &thumbnail) {
    m_decoding.remove(path);
    const auto it =
        std::find_if(m_items.begin(), m_items.end(), [&](const RecentCapture &item) { return item.path == path; });
    if (it == m_items.end() || !it->thumbnail.isNull()) return;
    if (thumbnail.isNull()) {
        m_items.erase(it); // a file that cannot be read leaves its place empty
    } else {
        it->thumbnail = thumbnail;
    }
    emit itemsChanged();
}

void RecentsStore::refreshUsage() {
    qint64 total = 0;
    for (const Listed &listed : listing()) total += listed.size;
    setUsedBytes(total, ++listings);
}

void RecentsStore::setUsedBytes(qint64 total, quint64 listedAt) {
    if (listedAt < m_usageListedAt) return;
    m_usageListedAt = listedAt;
    if (total == m_usedBytes) return;
    m_usedBytes = total;
    emit usedBytesChanged();
}

void RecentsStore::pruneDisk() {
    if (m_folder.isEmpty()) return;
    std::lock_guard lock(tidying);
    QList<Listed> files = listing();
    const QStringList pruned = prune(m_folder, keepOnDisk(), files, {});
    if (!pruned.isEmpty()) removed(pruned);
}

bool RecentsStore::removeOwnFile(const QString &folder, const QString &path) {
    const QFileInfo info(path);
    if (!CaptureNames::isOwn(info.fileName()) || QDir::cleanPath(info.absolutePath()) != folder) return false;
    // A file already gone counts as removed; a link or a folder of that name is left alone.
    return platform::PrivateFolder::removeFile(folder, info.fileName()) || (!info.exists() && !info.isSymLink());
}

void RecentsStore::removed(const QStringList &paths) { emit capturesRemoved(paths); }

QString RecentsStore::keepElsewhere(const QString &store, const QString &fileName, const QByteArray &bytes,
                                    QString *folder) {
    // Only the user's private runtime folder, checked as ours; never a shared temporary folder.
    const QString dir = platform::AppPaths::runtimeSubfolder(QStringLiteral("Recentes"));
    if (dir.isEmpty() || dir == store) return {};
    const QString path = dir + QLatin1Char('/') + fileName;
    if (!platform::writeFileAtomically(path, bytes)) return {};
    *folder = dir;
    return path;
}

void RecentsStore::open(const RecentCapture &item) {
    StoredCapture::open(
        item.path, this,
        [this, path = item.path](const QImage &image) { emit editorRequested(image, path, std::nullopt); },
        [this, path = item.path] { deleteFiles({path}); });
}

void RecentsStore::reveal(const RecentCapture &item) { platform::FileReveal::shared().reveal(item.path); }

void RecentsStore::deleteFiles(const QStringList &paths) {
    QStringList ours;
    for (const QString &path : paths) {
        const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        if (removeOwnFile(clean)) ours.append(clean);
    }
    load();
    if (!ours.isEmpty()) removed(ours);
}

void RecentsStore::deleteAll() {
    QStringList files;
    for (const QString &path : sortedFiles())
        if (removeOwnFile(path)) files.append(path);
    if (!files.isEmpty()) emit capturesCleared(files);
    m_items.clear();
    emit itemsChanged();
    refreshUsage();
}

void RecentsStore::applyKeepLimit(qint64 limit) {
    Settings::historyKeep.set(limit, m_defaults);
    pruneDisk();
    load();
}

QImage RecentsStore::thumbnail(const QImage &image) { return PictureService::cover(image, thumbnailBox); }
