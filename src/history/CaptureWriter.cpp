#include "history/CaptureWriter.h"

#include "core/CaptureFileName.h"
#include "history/CaptureNames.h"
#include "history/Log.h"
#include "platform/AtomicFile.h"
#include "platform/KeptPicture.h"
#include "platform/LongDate.h"
#include "platform/Memory.h"
#include "platform/PngEncoder.h"
#include "platform/ThreadPriority.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QScopeGuard>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

// A capture waiting for its turn, as a PNG made quickly (the fastest deflate, on one thread) in the
// waiting folder under its capture name; its path, or empty when it could not be written. Any thread.
QString writeWaitingFile(const QString &folder, const QImage &image, const QDateTime &taken) {
    if (platform::PrivateFolder::ensure(folder) != platform::PrivateFolder::Problem::none) return {};
    const std::optional<QByteArray> bytes =
        platform::PngEncoder::encode(image, {1, platform::PngEncoder::Filter::up, 1});
    if (!bytes) return {};
    CaptureNames &names = CaptureNames::shared();
    std::lock_guard lock(names.mutex());
    const QString path = names.freeName(folder + QLatin1Char('/') + CaptureFileName::stem(taken), QStringLiteral("png"));
    QString error;
    if (!platform::writeFileAtomically(path, *bytes, &error)) {
        qCWarning(lcHistory, "a capture waits in memory: %s cannot be written (%s)", qPrintable(path),
                  qPrintable(error));
        return {};
    }
    CaptureNames::date(path, taken);
    return path;
}

// A waiting file's picture, read as only a file the writer wrote itself is (KeptPicture); none when it
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

struct CaptureWriter::Job {
    Pending pending;
    QImage image; // null once it waits as a file alone
    enum class Waiting { no, writing, written, failed } waiting = Waiting::no;
    QString waitingFile;
    bool encoding = false; // until taken in, which is in the order of taking
    QFutureWatcher<Written> watcher;
    QFutureWatcher<QString> waitingWatcher;
    std::function<void(const QString &)> done;
};

CaptureWriter::CaptureWriter(const QString &folder, Write write, TakeIn takeIn, QObject *parent)
    : QObject(parent), m_folder(folder),
      m_waitingFolder(folder.isEmpty() ? QString() : QFileInfo(folder).dir().filePath(QStringLiteral("Pendentes"))),
      m_write(std::move(write)), m_takeIn(std::move(takeIn)) {
    // A waiting file takes a few dozen milliseconds: two threads keep up with a burst.
    m_waitingThreads.setMaxThreadCount(2);
    m_waitingThreads.setObjectName(QStringLiteral("Waiting captures"));
}

CaptureWriter::~CaptureWriter() {
    // The watchers go with their jobs and call nothing more; the waiting files being written end first.
    m_jobs.clear();
    m_waitingThreads.waitForDone();
}

void CaptureWriter::add(const QImage &image, const Pending &pending, std::function<void(const QString &)> done) {
    auto job = std::make_unique<Job>();
    job->pending = pending;
    job->image = image;
    job->done = std::move(done);
    m_jobs.push_back(std::move(job));
    pump();
}

int CaptureWriter::encodingsAtOnce() const {
    return m_encodingsAtOnce > 0 ? m_encodingsAtOnce : std::max(1, QThread::idealThreadCount());
}

void CaptureWriter::beginUrgentWork() { ++m_urgent; }

void CaptureWriter::endUrgentWork() {
    if (m_urgent > 0 && --m_urgent == 0) pump();
}

void CaptureWriter::pump() {
    using Waiting = Job::Waiting;
    // While the user waits for a copy, its encoder has the processors: the recents' encodings wait.
    const bool yielding = m_urgent > 0 && !m_finishing;
    // As many encodings at once as the process has processors, oldest first: each encoder keeps to
    // one thread, and what waits behind them waits on disk. A capture whose waiting file is being
    // written keeps its turn: that takes a moment.
    int encoding =
        int(std::count_if(m_jobs.cbegin(), m_jobs.cend(), [](const auto &job) { return job->encoding; }));
    for (const auto &job : m_jobs) {
        if (yielding || encoding >= encodingsAtOnce()) break;
        if (job->encoding) continue;
        if (job->waiting == Waiting::writing) break;
        // Quitting: a capture safe in its waiting file is left there for the next start, and one only in
        // memory goes there first; only one that could not be written there is encoded.
        if (m_stopWaiting && job->waiting != Waiting::failed) continue;
        startWriting(job.get());
        ++encoding;
    }
    // The oldest waiting captures keep their picture; the rest are read back from their waiting file
    // when their turn comes. Counted here whoever else holds the picture: what shows a capture may let
    // it go at any moment, and the writer's reference then is all that keeps it. While yielding, the
    // oldest are held in memory alone, so that the copy does not share the processors with their files.
    int held = 0;
    for (const auto &job : m_jobs) {
        if (job->encoding) continue;
        if (job->waiting == Waiting::no) {
            if (yielding && held < heldWaiting && !m_stopWaiting) {
                ++held;
                continue;
            }
            startWaiting(job.get());
        }
        if (job->waiting != Waiting::written || job->image.isNull()) continue;
        if (held < heldWaiting) ++held;
        else job->image = QImage();
    }
}

int CaptureWriter::picturesHeld() const {
    return int(std::count_if(m_jobs.cbegin(), m_jobs.cend(),
                             [](const auto &job) { return !job->encoding && !job->image.isNull(); }));
}

void CaptureWriter::startWaiting(Job *job) {
    if (m_waitingFolder.isEmpty()) {
        job->waiting = Job::Waiting::failed;
        return;
    }
    job->waiting = Job::Waiting::writing;
    connect(&job->waitingWatcher, &QFutureWatcherBase::finished, this,
            [this, job] { waitingWritten(job, job->waitingWatcher.result()); });
    // On threads of the writer's own, so that the encodings, which may take every bulk thread, do not
    // hold the picture in memory meanwhile.
    job->waitingWatcher.setFuture(QtConcurrent::run(
        &m_waitingThreads, [folder = m_waitingFolder, image = job->image, taken = job->pending.time]() mutable {
            platform::lowerCurrentThreadToBulkPriority();
            const QString path = writeWaitingFile(folder, image, taken);
            image = QImage(); // not held a moment longer than its writing
            return path;
        }));
}

void CaptureWriter::waitingWritten(Job *job, const QString &path) {
    job->waitingWatcher.disconnect(this);
    job->waitingFile = path;
    job->waiting = path.isEmpty() ? Job::Waiting::failed : Job::Waiting::written;
    pump();
}

void CaptureWriter::startWriting(Job *job) {
    job->encoding = true;
    if (!m_folder.isEmpty())
        job->pending.name = CaptureNames::shared().reserve(m_folder, job->pending.time, job->pending.extension);
    connect(&job->watcher, &QFutureWatcherBase::finished, this, [this] { completeInOrder(); });
    // On a bulk thread from the start, below the GUI thread as the encoder is: a thread of the shared
    // pool would only wait there for the encoder's own.
    job->watcher.setFuture(platform::startAtBulkPriority([write = m_write, image = job->image,
                                                          waiting = job->waitingFile, pending = job->pending] {
        // The new tile shows its time: formatted here first, the language's date patterns are loaded
        // (about 10 ms in a process's first capture, and again after a memory trim) on this worker,
        // not on the GUI thread when the tile appears.
        platform::shortTime(QDateTime::currentDateTime());
        const auto unreserve = qScopeGuard([&pending] { CaptureNames::shared().release(pending.name); });
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
        Written written = write(picture, pending);
        // Kept (in the folder or elsewhere): the waiting file has done its work.
        if (!waiting.isEmpty() && !written.path.isEmpty()) {
            const QFileInfo file(waiting);
            platform::PrivateFolder::removeFile(file.path(), file.fileName());
        }
        return written;
    }));
}

void CaptureWriter::resumeWaiting(const std::function<Pending(const QDateTime &)> &pendingAt) {
    if (m_waitingFolder.isEmpty() || !QFileInfo(m_waitingFolder).isDir()) return;
    const platform::PrivateFolder::Problem problem = platform::PrivateFolder::check(m_waitingFolder);
    if (problem == platform::PrivateFolder::Problem::link || problem == platform::PrivateFolder::Problem::notOurs)
        return;
    QFileInfoList files = QDir(m_waitingFolder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Unsorted);
    files.removeIf([](const QFileInfo &file) {
        return !CaptureNames::isOwn(file.fileName()) || !file.fileName().endsWith(QLatin1String(".png"));
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

void CaptureWriter::completeInOrder() {
    // Encodings end in any order; captures are taken in, announced and answered in the order taken.
    for (;;) {
        const auto first = std::find_if(m_jobs.cbegin(), m_jobs.cend(), [](const auto &job) { return job->encoding; });
        if (first == m_jobs.cend() || !(*first)->watcher.future().isFinished()) return;
        complete(first->get());
    }
}

void CaptureWriter::complete(Job *job) {
    const auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [job](const auto &j) { return j.get() == job; });
    if (it == m_jobs.end()) return;
    std::unique_ptr<Job> owned = std::move(*it);
    m_jobs.erase(it);
    owned->watcher.disconnect(this);
    const QString path = m_takeIn(owned->watcher.result());
    // The end of a capture's work: the encoder's buffers are free now.
    platform::Memory::releaseFreeMemorySoon();
    pump();
    if (owned->done) owned->done(path);
}

bool CaptureWriter::waitForPending(int budgetMs) {
    // However many are pending, as long as they keep ending; one that ends nothing for this long is
    // taken for a write that never will, and the rest are left.
    constexpr int kStallMs = 30'000;
    QDeadlineTimer stall(kStallMs);
    const QDeadlineTimer budget(budgetMs);
    bool ok = true;
    m_finishing = true;
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
    m_finishing = false;
    return ok;
}

void CaptureWriter::saveHeld() {
    m_waitingThreads.waitForDone();
    int saved = 0;
    for (const auto &job : m_jobs) {
        if (job->encoding || job->image.isNull()) continue;
        if (job->waiting == Job::Waiting::written && QFileInfo::exists(job->waitingFile)) continue;
        if (job->waiting == Job::Waiting::writing && job->waitingWatcher.future().isFinished() &&
            !job->waitingWatcher.result().isEmpty())
            continue;
        if (!m_waitingFolder.isEmpty() && !writeWaitingFile(m_waitingFolder, job->image, job->pending.time).isEmpty())
            ++saved;
        else
            qCWarning(lcHistory, "a capture taken at %s could not be saved for the next start",
                      qPrintable(job->pending.time.toString(Qt::ISODateWithMs)));
    }
    if (saved > 0)
        qCInfo(lcHistory, "%d captures held in memory wait in %s for the next start", saved, qPrintable(m_waitingFolder));
}
