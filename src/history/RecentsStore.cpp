#include "history/RecentsStore.h"

#include "core/CaptureFileName.h"
#include "core/Exporter.h"
#include "core/FolderTrouble.h"
#include "core/Localization.h"
#include "core/PictureService.h"
#include "core/Settings.h"
#include "history/Log.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/DirectoryCount.h"
#include "platform/FileReveal.h"
#include "platform/ImageFile.h"
#include "platform/LongDate.h"
#include "platform/Memory.h"
#include "platform/ThreadPriority.h"
#include "platform/UserDefaults.h"
#include "widgets/Clipboard.h"
#include "widgets/Toast.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QFutureWatcher>
#include <QPainter>
#include <QThread>

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

// The names the store gives its files: only these are ever removed, so that a user's own pictures
// moved into the folder stay.
bool isOwnName(const QString &name) {
    static const QRegularExpression pattern(
        QStringLiteral("^Pelicarta \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d(?: \\(\\d+\\))?\\.(?:png|heic)$"));
    return pattern.match(name).hasMatch();
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
            QObject::connect(app, &QCoreApplication::aboutToQuit, created, &RecentsStore::waitForPending);
        return created;
    }();
    return *store;
}

RecentsStore::RecentsStore(platform::UserDefaults &defaults, QString folder, Encoder encoder, QObject *parent)
    : QObject(parent), m_defaults(defaults),
      m_folder(folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath())),
      m_encoder(encoder ? std::move(encoder) : Encoder(&Exporter::encode)) {
    m_defaults.onChange(Settings::historyKeep.key(), this, [this] { emit keepOnDiskChanged(); });
    load();
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
    const QDateTime birth = file.birthTime();
    return birth.isValid() ? birth : file.lastModified();
}

void RecentsStore::setDateReader(DateReader reader) {
    m_dateOf = reader ? std::move(reader) : DateReader(&RecentsStore::fileDate);
}

void RecentsStore::setClock(std::function<QDateTime()> clock) {
    m_clock = clock ? std::move(clock) : std::function<QDateTime()>(&QDateTime::currentDateTime);
}

QList<RecentsStore::Listed> RecentsStore::listFolder(const QString &folder, const DateReader &dateOf,
                                                     platform::PrivateFolder::Problem *problem) {
    QList<Listed> files;
    // A folder that is not ours (a link to another one) is never listed, written or pruned.
    *problem =
        folder.isEmpty() ? platform::PrivateFolder::Problem::cannotCreate : platform::PrivateFolder::ensure(folder);
    if (*problem != platform::PrivateFolder::Problem::none) return files;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        if (!hasCaptureExtension(entry.fileName())) continue;
        files.append({entry.absoluteFilePath(), dateOf(entry), entry.size(), entry.lastModified()});
    }
    std::stable_sort(files.begin(), files.end(), [](const Listed &a, const Listed &b) {
        if (!b.date.isValid()) return a.date.isValid();
        return a.date.isValid() && a.date > b.date;
    });
    return files;
}

QList<RecentsStore::Listed> RecentsStore::listing() const {
    if (m_folder.isEmpty()) return {};
    return listFolder(m_folder, m_dateOf, &m_problem);
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

std::optional<RecentsStore::Pending> RecentsStore::prepareAdd(const QImage &image) {
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
    const bool compact = isCompact();
    Pending pending{m_clock(), ExportSettings{}, compact ? QStringLiteral("heic") : QStringLiteral("png"), keepOnDisk(),
                    m_dateOf};
    pending.settings.format = compact ? ExportFormat::heic : ExportFormat::png;
    pending.settings.quality = compact ? 0.92 : 1.0;
    return pending;
}

RecentsStore::Written RecentsStore::writeCapture(const Encoder &encoder, const QString &folder, const QImage &image,
                                                 const Pending &pending) {
    const std::optional<QByteArray> bytes = encoder(image, pending.settings);
    if (!bytes || bytes->isEmpty()) return {};
    Written written;
    written.problem = platform::PrivateFolder::ensure(folder);
    if (refusedOutright(written.problem)) {
        written.refused = true;
        return written;
    }
    const QString stem = folder + QLatin1Char('/') + CaptureFileName::stem(pending.time);
    QString path = stem + QLatin1Char('.') + pending.extension;
    // Two captures of the same second, written at once, must not pick the same free name.
    static std::mutex naming;
    std::lock_guard lock(naming);
    for (qint64 n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(pending.extension);
    if (written.problem != platform::PrivateFolder::Problem::none ||
        !platform::writeFileAtomically(path, *bytes, &written.error)) {
        // The capture just taken is not lost: it goes to the private runtime folder when there is one.
        written.refused = true;
        written.path = keepElsewhere(folder, QFileInfo(path).fileName(), *bytes, &written.keptIn);
        return written;
    }
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
    QList<Listed> files = listFolder(folder, pending.dateOf, &problem);
    if (problem != platform::PrivateFolder::Problem::none) return;
    written.pruned = prune(folder, pending.keepLimit, files, written.path);
    qint64 total = 0;
    for (const Listed &listed : files) total += listed.size;
    written.usedBytes = total;
    written.listedAt = ++listings;
}

QString RecentsStore::finishAdd(const QImage &image, const Written &written) {
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

    emit captureWritten(written.path, image);
    const QFileInfo file(written.path);
    m_items.prepend({written.path, QDateTime::currentDateTime(), written.thumbnail, file.size(), file.lastModified()});
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

QString RecentsStore::add(const QImage &image) {
    const std::optional<Pending> pending = prepareAdd(image);
    if (!pending) return {};
    Written written = writeCapture(m_encoder, m_folder, image, *pending);
    tidyAfterWrite(m_folder, *pending, written);
    return finishAdd(image, written);
}

struct RecentsStore::Job {
    QFutureWatcher<Written> watcher;
    QImage image;
    std::function<void(const QString &)> done;
};

void RecentsStore::addInBackground(const QImage &image, std::function<void(const QString &)> done) {
    const std::optional<Pending> pending = prepareAdd(image);
    if (!pending) {
        if (done) done({});
        return;
    }
    auto job = std::make_unique<Job>();
    job->image = image;
    job->done = std::move(done);
    Job *raw = job.get();
    connect(&raw->watcher, &QFutureWatcherBase::finished, this, [this, raw] { complete(raw); });
    // On a bulk thread from the start, below the GUI thread as the encoder is: a thread of the shared
    // pool would only wait there for the encoder's own.
    raw->watcher.setFuture(
        platform::startAtBulkPriority([encoder = m_encoder, folder = m_folder, image, pending = *pending] {
            // The new tile shows its time: formatted here first, the language's date patterns are loaded
            // (about 10 ms in a process's first capture, and again after a memory trim) on this worker,
            // not on the GUI thread when the tile appears.
            platform::shortTime(QDateTime::currentDateTime());
            Written written = writeCapture(encoder, folder, image, pending);
            tidyAfterWrite(folder, pending, written);
            return written;
        }));
    m_jobs.push_back(std::move(job));
}

void RecentsStore::complete(Job *job) {
    const auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [job](const auto &j) { return j.get() == job; });
    if (it == m_jobs.end()) return;
    std::unique_ptr<Job> owned = std::move(*it);
    m_jobs.erase(it);
    owned->watcher.disconnect(this);
    const QString path = finishAdd(owned->image, owned->watcher.result());
    // The end of a capture's work: the encoder's buffers are free now.
    platform::Memory::releaseFreeMemorySoon();
    if (owned->done) owned->done(path);
}

bool RecentsStore::waitForPending() {
    // However many are pending, as long as they keep ending; one that ends nothing for this long is
    // taken for a write that never will, and the rest are left.
    constexpr int kStallMs = 30'000;
    QDeadlineTimer stall(kStallMs);
    while (!m_jobs.empty()) {
        const auto ended = std::find_if(m_jobs.begin(), m_jobs.end(),
                                        [](const auto &job) { return job->watcher.future().isFinished(); });
        if (ended != m_jobs.end()) {
            complete(ended->get());
            stall.setRemainingTime(kStallMs);
        } else if (stall.hasExpired()) {
            qCWarning(lcHistory, "%d captures could not be written to the recents folder", int(m_jobs.size()));
            return false;
        } else {
            QThread::msleep(5);
        }
    }
    return true;
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
    if (!isOwnName(info.fileName()) || QDir::cleanPath(info.absolutePath()) != folder) return false;
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
    const QImage image = platform::ImageFile::read(item.path);
    if (!image.isNull()) {
        emit editorRequested(image, item.path, std::nullopt);
    } else if (!QFileInfo::exists(item.path)) {
        qCInfo(lcHistory, "%s is gone; it leaves the recent captures", qPrintable(item.path));
        deleteFiles({item.path});
    } else {
        qCWarning(lcHistory, "%s cannot be read; it is not opened", qPrintable(item.path));
    }
}

void RecentsStore::copy(const RecentCapture &item) {
    const QImage image = platform::ImageFile::read(item.path);
    if (!image.isNull() && Clipboard::copy(image)) {
        Toast::show(item.thumbnail, L("Copiado"), L("Cole com ⌘V em qualquer app"));
    } else {
        qCWarning(lcHistory, "%s could not be copied: %s", qPrintable(item.path),
                  image.isNull() ? "it cannot be read" : "the clipboard refused it");
        Toast::show(item.thumbnail, L("Não foi possível copiar"), L("O arquivo da captura não pôde ser lido."));
    }
}

void RecentsStore::reveal(const RecentCapture &item) { platform::revealFile(item.path); }

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
