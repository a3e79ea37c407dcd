#include "history/RecentsStore.h"

#include "core/CaptureFileName.h"
#include "core/Exporter.h"
#include "core/FolderTrouble.h"
#include "core/PictureService.h"
#include "core/Settings.h"
#include "history/Log.h"
#include "history/StoredCapture.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DirectoryCount.h"
#include "platform/FileReveal.h"
#include "platform/ImageFile.h"
#include "platform/KeptPicture.h"
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

// Two captures of the same second, written at once, must not pick the same free name.
std::mutex naming;
// Names given to captures whose encoding runs, in the order they were taken, so that one taken later
// but encoded sooner does not take an earlier one's name. Under `naming`.
QSet<QString> reservedNames;

// The first of "<stem>.<extension>", "<stem> (2).<extension>", … that nothing takes. Under `naming`.
QString freeName(const QString &stem, const QString &extension) {
    QString path = stem + QLatin1Char('.') + extension;
    for (qint64 n = 2; reservedNames.contains(path) || QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(extension);
    return path;
}

QString reserveName(const QString &folder, const QDateTime &taken, const QString &extension) {
    std::lock_guard lock(naming);
    const QString path = freeName(folder + QLatin1Char('/') + CaptureFileName::stem(taken), extension);
    reservedNames.insert(path);
    return path;
}

void releaseName(const QString &path) {
    std::lock_guard lock(naming);
    reservedNames.remove(path);
}

// A capture file carries the moment it was taken as its modification time: its name says only the
// second, and a capture that waited for its turn is born later.
void dateFile(const QString &path, const QDateTime &taken) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.setFileTime(taken, QFileDevice::FileModificationTime))
        qCInfo(lcHistory, "%s keeps the time it was written: %s", qPrintable(path), qPrintable(file.errorString()));
}

// A capture waiting for its turn, as a PNG made quickly (the fastest deflate, on one thread) in the
// waiting folder under its capture name; its path, or empty when it could not be written.
QString writeWaitingFile(const QString &folder, const QImage &image, const QDateTime &taken) {
    if (platform::PrivateFolder::ensure(folder) != platform::PrivateFolder::Problem::none) return {};
    const std::optional<QByteArray> bytes =
        platform::PngEncoder::encode(image, {1, platform::PngEncoder::Filter::up, 1});
    if (!bytes) return {};
    std::lock_guard lock(naming);
    const QString path = freeName(folder + QLatin1Char('/') + CaptureFileName::stem(taken), QStringLiteral("png"));
    QString error;
    if (!platform::writeFileAtomically(path, *bytes, &error)) {
        qCWarning(lcHistory, "a capture waits in memory: %s cannot be written (%s)", qPrintable(path),
                  qPrintable(error));
        return {};
    }
    dateFile(path, taken);
    return path;
}

// A waiting file's picture, read as only a file the store wrote itself is (KeptPicture); none when it
// is gone or is not one.
std::optional<QImage> readWaitingFile(const QString &path) {
    platform::KeptPicture::Read read = platform::KeptPicture::read(path);
    if (read.status == platform::KeptPicture::Status::ok) return std::move(read.image);
    qCWarning(lcHistory, "the waiting capture %s cannot be read (%s)", qPrintable(path), qPrintable(read.error));
    return std::nullopt;
}

// A waiting file that cannot be read is set aside, not tried again at every start; its new path, or
// empty when it is gone or could not be moved.
QString setAsideUnreadable(const QString &path) {
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return {};
    const QString aside = platform::KeptPicture::setAside(path);
    if (aside.isEmpty()) qCWarning(lcHistory, "the unreadable waiting capture %s could not be set aside", qPrintable(path));
    else qCWarning(lcHistory, "the unreadable waiting capture %s was set aside as %s", qPrintable(path), qPrintable(aside));
    return aside;
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
            QObject::connect(app, &QCoreApplication::aboutToQuit, created, [created] { created->waitForPending(); });
        return created;
    }();
    return *store;
}

RecentsStore::RecentsStore(platform::UserDefaults &defaults, QString folder, Encoder encoder, QObject *parent)
    : QObject(parent), m_defaults(defaults),
      m_folder(folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath())),
      m_encoder(encoder ? std::move(encoder) : Encoder(&Exporter::encode)),
      m_waitingFolder(m_folder.isEmpty() ? QString() : QFileInfo(m_folder).dir().filePath(QStringLiteral("Pendentes"))) {
    m_defaults.onChange(Settings::historyKeep.key(), this, [this] { emit keepOnDiskChanged(); });
    // A waiting file takes a few dozen milliseconds: two threads keep up with a burst.
    m_waitingThreads.setMaxThreadCount(2);
    m_waitingThreads.setObjectName(QStringLiteral("Waiting captures"));
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
    if (birth.isValid() && modified.isValid() && modified < birth && isOwnName(file.fileName())) return modified;
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
    std::lock_guard lock(naming);
    // The name reserved when its encoding started, unless something took it meanwhile.
    const bool reserved = reservedNames.remove(pending.name) && !QFileInfo::exists(pending.name) &&
                          !QFileInfo(pending.name).isSymLink();
    const QString path = reserved ? pending.name
                                  : freeName(folder + QLatin1Char('/') + CaptureFileName::stem(pending.time),
                                             pending.extension);
    if (written.problem != platform::PrivateFolder::Problem::none ||
        !platform::writeFileAtomically(path, *bytes, &written.error)) {
        // The capture just taken is not lost: it goes to the private runtime folder when there is one.
        written.refused = true;
        written.path = keepElsewhere(folder, QFileInfo(path).fileName(), *bytes, &written.keptIn);
        return written;
    }
    dateFile(path, pending.time);
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

struct RecentsStore::Job {
    Pending pending;
    QImage image; // null once it waits as a file alone
    enum class Waiting { no, writing, written, failed } waiting = Waiting::no;
    QString waitingFile;
    bool encoding = false; // until taken in, which is in the order of taking
    QFutureWatcher<Written> watcher;
    QFutureWatcher<QString> waitingWatcher;
    std::function<void(const QString &)> done;
};

void RecentsStore::addInBackground(const QImage &image, const QDateTime &taken,
                                   std::function<void(const QString &)> done) {
    const std::optional<Pending> pending = prepareAdd(image, taken);
    if (!pending) {
        if (done) done({});
        return;
    }
    auto job = std::make_unique<Job>();
    job->pending = *pending;
    job->image = image;
    job->done = std::move(done);
    m_jobs.push_back(std::move(job));
    pump();
}

int RecentsStore::encodingsAtOnce() const {
    return m_encodingsAtOnce > 0 ? m_encodingsAtOnce : std::max(1, QThread::idealThreadCount());
}

void RecentsStore::pump() {
    using Waiting = Job::Waiting;
    // As many encodings at once as the process has processors, oldest first: each encoder keeps to
    // one thread, and what waits behind them waits on disk. A capture whose waiting file is being
    // written keeps its turn: that takes a moment.
    int encoding =
        int(std::count_if(m_jobs.cbegin(), m_jobs.cend(), [](const auto &job) { return job->encoding; }));
    for (const auto &job : m_jobs) {
        if (encoding >= encodingsAtOnce()) break;
        if (job->encoding) continue;
        if (job->waiting == Waiting::writing) break;
        // Quitting: a capture safe in its waiting file is left there for the next start.
        if (m_stopWaiting && job->waiting == Waiting::written) continue;
        startWriting(job.get());
        ++encoding;
    }
    // The oldest waiting captures keep their picture; the rest are read back from their waiting file
    // when their turn comes. Counted here whoever else holds the picture: what shows a capture may let
    // it go at any moment, and the store's reference then is all that keeps it.
    int held = 0;
    for (const auto &job : m_jobs) {
        if (job->encoding) continue;
        if (job->waiting == Waiting::no && !m_stopWaiting) startWaiting(job.get());
        if (job->waiting != Waiting::written || job->image.isNull()) continue;
        if (held < heldWaiting) ++held;
        else job->image = QImage();
    }
}

int RecentsStore::picturesHeld() const {
    return int(std::count_if(m_jobs.cbegin(), m_jobs.cend(),
                             [](const auto &job) { return !job->encoding && !job->image.isNull(); }));
}

void RecentsStore::startWaiting(Job *job) {
    if (m_waitingFolder.isEmpty()) {
        job->waiting = Job::Waiting::failed;
        return;
    }
    job->waiting = Job::Waiting::writing;
    connect(&job->waitingWatcher, &QFutureWatcherBase::finished, this,
            [this, job] { waitingWritten(job, job->waitingWatcher.result()); });
    // On threads of the store's own, so that the encodings, which may take every bulk thread, do not
    // hold the picture in memory meanwhile.
    job->waitingWatcher.setFuture(QtConcurrent::run(
        &m_waitingThreads, [folder = m_waitingFolder, image = job->image, taken = job->pending.time]() mutable {
            platform::lowerCurrentThreadToBulkPriority();
            const QString path = writeWaitingFile(folder, image, taken);
            image = QImage(); // not held a moment longer than its writing
            return path;
        }));
}

void RecentsStore::waitingWritten(Job *job, const QString &path) {
    job->waitingWatcher.disconnect(this);
    job->waitingFile = path;
    job->waiting = path.isEmpty() ? Job::Waiting::failed : Job::Waiting::written;
    pump();
}

void RecentsStore::startWriting(Job *job) {
    job->encoding = true;
    if (!m_folder.isEmpty())
        job->pending.name = reserveName(m_folder, job->pending.time, job->pending.extension);
    connect(&job->watcher, &QFutureWatcherBase::finished, this, [this] { completeInOrder(); });
    // On a bulk thread from the start, below the GUI thread as the encoder is: a thread of the shared
    // pool would only wait there for the encoder's own.
    job->watcher.setFuture(platform::startAtBulkPriority([encoder = m_encoder, folder = m_folder, image = job->image,
                                                          waiting = job->waitingFile, pending = job->pending] {
        // The new tile shows its time: formatted here first, the language's date patterns are loaded
        // (about 10 ms in a process's first capture, and again after a memory trim) on this worker,
        // not on the GUI thread when the tile appears.
        platform::shortTime(QDateTime::currentDateTime());
        const auto unreserve = qScopeGuard([&pending] { releaseName(pending.name); });
        QImage picture = image;
        if (picture.isNull()) {
            const std::optional<QImage> read = readWaitingFile(waiting);
            if (!read) {
                Written unread;
                unread.taken = pending.time;
                unread.setAside = setAsideUnreadable(waiting);
                return unread;
            }
            picture = *read;
        }
        Written written = writeCapture(encoder, folder, picture, pending);
        tidyAfterWrite(folder, pending, written);
        // Kept (in the folder or elsewhere): the waiting file has done its work.
        if (!waiting.isEmpty() && !written.path.isEmpty()) {
            const QFileInfo file(waiting);
            platform::PrivateFolder::removeFile(file.path(), file.fileName());
        }
        return written;
    }));
}

void RecentsStore::resumeWaiting() {
    if (m_waitingFolder.isEmpty() || !QFileInfo(m_waitingFolder).isDir() ||
        refusedOutright(platform::PrivateFolder::check(m_waitingFolder)))
        return;
    if (!folderUsable() && refusedOutright(m_problem)) return;
    QFileInfoList files = QDir(m_waitingFolder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Unsorted);
    files.removeIf([](const QFileInfo &file) {
        return !isOwnName(file.fileName()) || !file.fileName().endsWith(QLatin1String(".png"));
    });
    if (files.isEmpty()) return;
    std::stable_sort(files.begin(), files.end(),
                     [](const QFileInfo &a, const QFileInfo &b) { return a.lastModified() < b.lastModified(); });
    qCInfo(lcHistory, "%d captures left waiting in %s are written now", int(files.size()), qPrintable(m_waitingFolder));
    for (const QFileInfo &file : std::as_const(files)) {
        auto job = std::make_unique<Job>();
        job->pending = pendingAt(file.lastModified());
        // Taken while keeping was on: written even if it has been turned off since.
        job->pending.keepLimit = std::max<qint64>(job->pending.keepLimit, 1);
        job->waiting = Job::Waiting::written;
        job->waitingFile = file.absoluteFilePath();
        m_jobs.push_back(std::move(job));
    }
    pump();
}

void RecentsStore::completeInOrder() {
    // Encodings end in any order; captures are taken in, announced and answered in the order taken.
    for (;;) {
        const auto first = std::find_if(m_jobs.cbegin(), m_jobs.cend(), [](const auto &job) { return job->encoding; });
        if (first == m_jobs.cend() || !(*first)->watcher.future().isFinished()) return;
        complete(first->get());
    }
}

void RecentsStore::complete(Job *job) {
    const auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [job](const auto &j) { return j.get() == job; });
    if (it == m_jobs.end()) return;
    std::unique_ptr<Job> owned = std::move(*it);
    m_jobs.erase(it);
    owned->watcher.disconnect(this);
    const QString path = finishAdd(owned->watcher.result());
    // The end of a capture's work: the encoder's buffers are free now.
    platform::Memory::releaseFreeMemorySoon();
    pump();
    if (owned->done) owned->done(path);
}

bool RecentsStore::waitForPending(int budgetMs) {
    // However many are pending, as long as they keep ending; one that ends nothing for this long is
    // taken for a write that never will, and the rest are left.
    constexpr int kStallMs = 30'000;
    QDeadlineTimer stall(kStallMs);
    const QDeadlineTimer budget(budgetMs);
    bool ok = true;
    for (;;) {
        if (budget.hasExpired()) m_stopWaiting = true;
        auto encoded = std::find_if(m_jobs.begin(), m_jobs.end(), [](const auto &job) { return job->encoding; });
        if (encoded != m_jobs.end() && !(*encoded)->watcher.future().isFinished()) encoded = m_jobs.end();
        const auto waited = std::find_if(m_jobs.begin(), m_jobs.end(), [](const auto &job) {
            return job->waiting == Job::Waiting::writing && job->waitingWatcher.future().isFinished();
        });
        if (encoded != m_jobs.end()) {
            complete(encoded->get());
        } else if (waited != m_jobs.end()) {
            waitingWritten(waited->get(), (*waited)->waitingWatcher.result());
        } else {
            pump();
            const bool running = std::any_of(m_jobs.cbegin(), m_jobs.cend(), [](const auto &job) {
                return job->encoding || job->waiting == Job::Waiting::writing;
            });
            if (!running) break;
            if (stall.hasExpired()) {
                qCWarning(lcHistory, "%d captures could not be written to the recents folder", int(m_jobs.size()));
                ok = false;
                break;
            }
            QThread::msleep(5);
            continue;
        }
        stall.setRemainingTime(kStallMs);
    }
    if (ok && !m_jobs.empty())
        qCInfo(lcHistory, "%d captures wait in %s; they are written at the next start", int(m_jobs.size()),
               qPrintable(m_waitingFolder));
    m_stopWaiting = false;
    return ok;
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
