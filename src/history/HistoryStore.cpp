#include "history/HistoryStore.h"

#include "core/TextReaderProcess.h"
#include "core/TextRecognizer.h"
#include "history/HistoryText.h"
#include "history/Log.h"
#include "platform/AppPaths.h"
#include "platform/ImageFile.h"
#include "platform/Memory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <algorithm>
#include <climits>
#include <limits>

namespace {

HistoryStore *g_shared = nullptr;

QString fileName(const QString &path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

int saturated(qint64 value) { return int(std::clamp<qint64>(value, INT_MIN, INT_MAX)); }

} // namespace

HistoryStore &HistoryStore::shared() {
    static HistoryStore *store = [] {
        RecentsStore &recents = RecentsStore::shared();
        Options options;
        // The index lies beside the recents folder, wherever that had to be made.
        options.indexPath = QDir::cleanPath(recents.folder() + QStringLiteral("/../Indice-do-historico.json"));
        options.files = [&recents] { return recents.allFiles(); };
        auto reader = std::make_shared<TextReaderProcess>();
        options.reader = reader;
        options.thumbnailFolder = platform::AppPaths::cacheSubfolder(QStringLiteral("Miniaturas"));
        auto *made = new HistoryStore(std::move(options));
        if (QCoreApplication *app = QCoreApplication::instance()) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, made, &HistoryStore::flush);
            QObject::connect(app, &QCoreApplication::aboutToQuit, reader.get(), &TextReaderProcess::stop);
        }
        g_shared = made;
        return made;
    }();
    return *store;
}

HistoryStore *HistoryStore::sharedIfMade() { return g_shared; }

HistoryStore::HistoryStore(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_writer(m_options.indexPath) {
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &HistoryStore::save);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        if (!m_workerRunning) readNext();
    });
    m_quiet.start();
    connect(&m_writer, &HistoryIndexWriter::written, this, &HistoryStore::indexWritten);
    if (!m_options.thumbnailFolder.isEmpty())
        m_thumbnailFolder = std::make_shared<ThumbnailFolder>(m_options.thumbnailFolder);

    // Parsing and folding twenty megabytes takes a good part of the load: never on the main thread.
    m_loading = QtConcurrent::run([path = m_options.indexPath] { return HistoryIndexFile::read(path); });
    auto *watcher = new QFutureWatcher<HistoryIndexFile::Contents>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (!m_loaded) applyLoaded(m_loading.takeResult());
    });
    watcher->setFuture(m_loading);
}

HistoryStore::~HistoryStore() {
    flush();
    for (const Recognition &running : std::as_const(m_recognitions)) stopRecognition(running);
}

void HistoryStore::stopRecognition(const Recognition &running) {
    if (running.apart != 0) return m_options.reader->cancel(running.apart);
    QFuture<QString>(running.future).cancel();
}

// Takes the records out of the loading's result: a copy left there would share them, and the first
// change would then copy all ten thousand.
void HistoryStore::applyLoaded(HistoryIndexFile::Contents contents) {
    if (m_records.isEmpty() && m_touchedWhileLoading.isEmpty()) {
        m_records = std::move(contents.records);
    } else {
        for (auto it = contents.records.cbegin(); it != contents.records.cend(); ++it) {
            if (!m_touchedWhileLoading.contains(it.key()) && !m_records.contains(it.key()))
                m_records.insert(it.key(), it.value());
        }
    }
    m_touchedWhileLoading.clear();
    // What reading freed (the file's pieces, names and keys) goes back to the system.
    platform::Memory::releaseFreeMemorySoon();
    alignFolded();
    if (contents.keepAside) m_writer.keepAsideBeforeNextWrite();
    m_loaded = true;
    changed();
    emit loaded();
    if (m_saveWhenLoaded) scheduleSave();
    if (m_reloadWhenLoaded) reload();
}

void HistoryStore::finishLoadingNow() {
    if (m_loaded) return;
    m_reloadWhenLoaded = false; // only at quit: nothing is to be read any more
    m_loading.waitForFinished();
    applyLoaded(m_loading.takeResult());
}

void HistoryStore::reload() {
    if (!m_loaded) {
        m_reloadWhenLoaded = true;
        return;
    }
    m_reloadWhenLoaded = false;
    const QList<RecentsStore::File> files = m_options.files ? m_options.files() : QList<RecentsStore::File>{};
    QList<HistoryEntry> entries;
    entries.reserve(files.size());
    QSet<QString> names;
    names.reserve(files.size());
    for (const RecentsStore::File &file : files) {
        entries.append(HistoryEntry(file.path, file.date));
        names.insert(entries.last().name());
    }
    m_entries = std::move(entries);
    if (m_thumbnailFolder && !m_thumbnailFolderChecked) {
        // Pictures of captures removed while the store was not there to hear of it go too.
        m_thumbnailFolderChecked = true;
        QStringList paths;
        paths.reserve(files.size());
        for (const RecentsStore::File &file : files) paths.append(file.path);
        QThreadPool::globalInstance()->start(
            [folder = m_thumbnailFolder, paths = std::move(paths)] { folder->keepOnly(paths); });
    }

    const qsizetype before = m_records.size();
    m_records.removeIf([&names](const HistoryRecords::iterator &it) { return !names.contains(it.key()); });
    if (m_records.size() != before) scheduleSave();
    alignFolded();

    // Files gone behind the store's back leave the queue too.
    m_queue.removeIf([&names](const QString &path) { return !names.contains(fileName(path)); });
    m_retries.removeIf([&names](const QString &path) { return !names.contains(fileName(path)); });
    m_fresh.removeIf([&names](const QString &path) { return !names.contains(fileName(path)); });
    QSet<QString> queued(m_queue.cbegin(), m_queue.cend());
    for (const QString &path : std::as_const(m_retries)) queued.insert(path);
    for (const QString &path : std::as_const(m_fresh)) queued.insert(path);
    for (const HistoryEntry &entry : std::as_const(m_entries)) {
        if (queued.contains(entry.path()) || m_inFlight.contains(entry.name())) continue;
        const auto record = m_records.constFind(entry.name());
        if (record == m_records.cend()) {
            m_queue.append(entry.path());
        } else if (record->timedOut && !m_retriedAfterTimeouts.contains(entry.name())) {
            // Given up on in an earlier run (a busy machine, perhaps): one more round of tries, once a run.
            m_retriedAfterTimeouts.insert(entry.name());
            m_retries.append(entry.path());
        }
    }
    changed();
    emit entriesChanged();
    updatePendingCount();
    if (!m_workerRunning) readNext();
}

void HistoryStore::didAdd(const QString &path, const QDateTime &taken) {
    const QString name = fileName(path);
    removeEntries([&path](const HistoryEntry &entry) { return entry.path() == path; });
    m_entries.prepend(HistoryEntry(path, taken.isValid() ? taken : QDateTime::currentDateTime()));
    m_folded.prepend(m_records.value(name).folded);
    m_thumbnails.forget(path);
    // Its card picture is made now, so that a page opened later shows it at once.
    m_thumbnails.prepare(path, thumbnailBox, PictureService::Fit::inside, m_thumbnailFolder);
    m_queue.removeAll(path);
    m_retries.removeAll(path);
    m_timeouts.remove(name);
    m_fresh.removeAll(path);
    if (!m_loaded) m_touchedWhileLoading.insert(name);
    m_quiet.start();  // a burst under way: what ran out of time waits until it is over
    cancelRead(name); // a read of an earlier file of this name is stale
    m_fresh.append(path);
    changed();
    emit entriesChanged();
    updatePendingCount();
    if (!m_workerRunning) readNext();
}

void HistoryStore::forget(const QStringList &paths) {
    if (paths.isEmpty()) return;
    // By name, as the records are: all capture files lie in one folder, and names hash faster.
    QSet<QString> gone;
    gone.reserve(paths.size());
    for (const QString &path : paths) gone.insert(fileName(path));
    QList<HistoryEntry> removed =
        removeEntries([&gone](const HistoryEntry &entry) { return gone.contains(entry.name()); });
    m_queue.removeIf([&gone](const QString &path) { return gone.contains(fileName(path)); });
    m_retries.removeIf([&gone](const QString &path) { return gone.contains(fileName(path)); });
    m_fresh.removeIf([&gone](const QString &path) { return gone.contains(fileName(path)); });
    // Freeing thousands of texts and entries takes longer than the rest of forgetting: a worker
    // thread does it.
    QList<HistoryRecord> dropped;
    for (const QString &name : std::as_const(gone)) {
        cancelRead(name);
        m_crashes.remove(name);
        m_timeouts.remove(name);
        if (const auto record = m_records.find(name); record != m_records.end()) {
            dropped.append(std::move(*record));
            m_records.erase(record);
        }
        if (!m_loaded) m_touchedWhileLoading.insert(name);
    }
    for (const QString &path : paths) m_thumbnails.forget(path);
    if (m_thumbnailFolder)
        QThreadPool::globalInstance()->start([folder = m_thumbnailFolder, paths] {
            for (const QString &path : paths) folder->remove(path);
        });
    const bool entriesWent = !removed.isEmpty();
    QThreadPool::globalInstance()->start(
        [dropped = std::move(dropped), removed = std::move(removed), gone = std::move(gone)] {});
    changed();
    if (entriesWent) emit entriesChanged();
    updatePendingCount();
    scheduleSave();
}

QString HistoryStore::text(const HistoryEntry &entry) const {
    const auto record = m_records.constFind(entry.name());
    return record == m_records.cend() ? QString() : QString::fromUtf8(record->text);
}

std::optional<QSize> HistoryStore::dimensions(const HistoryEntry &entry) const {
    const auto record = m_records.constFind(entry.name());
    if (record == m_records.cend() || record->width < 1) return std::nullopt;
    return QSize(saturated(record->width), saturated(record->height));
}

QList<HistoryEntry> HistoryStore::search(const QString &query, const std::optional<QDateTime> &since) const {
    const QByteArray key = HistoryText::queryKey(query);
    const std::optional<qint64> from =
        since
            ? std::optional<qint64>(since->isValid() ? since->toMSecsSinceEpoch() : std::numeric_limits<qint64>::min())
            : std::nullopt;
    if (m_lastSearch && m_lastSearch->key == key && m_lastSearch->since == from && m_lastSearch->revision == m_revision)
        return m_lastSearch->result;

    QList<HistoryEntry> found;
    found.reserve(m_entries.size());
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const HistoryEntry &entry = m_entries[i];
        if (from && (!entry.date().isValid() || entry.msecsSinceEpoch() < *from)) continue;
        if (!key.isEmpty() && !HistoryText::contains(m_folded[i], key)) continue;
        found.append(entry);
    }
    m_lastSearch = LastSearch{key, from, m_revision, found};
    return found;
}

std::optional<QString> HistoryStore::snippet(const HistoryEntry &entry, const QString &query) const {
    const QByteArray key = HistoryText::queryKey(query);
    if (key.isEmpty()) return std::nullopt;
    const auto record = m_records.constFind(entry.name());
    if (record == m_records.cend()) return std::nullopt;
    return HistoryText::snippet(record->text, key);
}

void HistoryStore::flush() {
    if (m_saveTimer.isActive() || m_saveWhenLoaded) {
        finishLoadingNow(); // the file's records belong in what is written
        save();
    }
    m_writer.waitForDone();
}

// --- Reading ---

void HistoryStore::readNext() {
    if (!m_loaded || (m_fresh.isEmpty() && m_queue.isEmpty() && !mayRetry())) {
        // The end of a run of reads: the pictures and the recognizer's buffers are free now.
        if (m_workerRunning) platform::Memory::releaseFreeMemorySoon();
        m_workerRunning = false;
        return;
    }
    m_workerRunning = true;
    const QString next = !m_fresh.isEmpty()   ? m_fresh.takeFirst()
                         : !m_queue.isEmpty() ? m_queue.takeFirst()
                                              : m_retries.takeFirst();
    const QString name = fileName(next);
    // Moving from the queue to the reads leaves the pending count as it is.
    const quint64 token = beginRead(name);
    m_workerToken = token;
    if (m_options.reader) return readApart(next, name, token);
    decode(next, name, token);
}

bool HistoryStore::mayRetry() {
    if (m_retries.isEmpty()) return false;
    // Whatever made a read run out of time (a burst of captures, their encoding) should be over, so
    // the retry waits for a quiet spell and then has the reader to itself.
    const qint64 left = m_options.retryPause.count() - m_quiet.elapsed();
    if (left <= 0) return true;
    m_retryTimer.start(int(std::min<qint64>(left, INT_MAX)));
    return false;
}

void HistoryStore::decode(const QString &path, const QString &name, quint64 token) {
    struct Decoded {
        QImage image;
        qint64 bytes = 0;
    };
    auto *watcher = new QFutureWatcher<Decoded>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path, name, token] {
        watcher->deleteLater();
        const Decoded decoded = watcher->future().takeResult();
        if (!isCurrent(name, token)) return workerReadEnded(token);
        if (decoded.image.isNull()) {
            endRead(name, path, HistoryRecord::of({}, 0, 0, 0)); // no picture: never read again
            return workerReadEnded(token);
        }
        read(path, name, token, decoded.image, decoded.bytes);
    });
    watcher->setFuture(QtConcurrent::run([path] {
        Decoded decoded;
        decoded.image = platform::ImageFile::read(path);
        if (!decoded.image.isNull()) decoded.bytes = QFileInfo(path).size();
        return decoded;
    }));
}

void HistoryStore::read(const QString &path, const QString &name, quint64 token, const QImage &image, qint64 bytes) {
    recognize(name, token, image,
              [this, name, path, token, size = image.size(), bytes](Outcome outcome, const QString &text) {
                  if (isCurrent(name, token)) endRead(name, path, recordOf(name, path, outcome, text, size, bytes));
                  workerReadEnded(token);
              });
}

void HistoryStore::workerReadEnded(quint64 token) {
    if (token != m_workerToken) return; // abandoned: the worker went on without it
    m_workerToken = 0;
    readNext();
}

void HistoryStore::recognize(const QString &name, quint64 token, const QImage &image,
                             std::function<void(Outcome, const QString &)> done) {
    const QFuture<QString> future =
        TextRecognizer::recognize(image, m_options.readTimeout, TextRecognizer::Priority::background);
    m_recognitions.insert(name, {token, future});
    auto *watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, name, token, done = std::move(done)] {
        watcher->deleteLater();
        QFuture<QString> finished = watcher->future();
        if (m_recognitions.value(name).token == token) m_recognitions.remove(name);
        if (finished.resultCount() > 0) return done(Outcome::text, finished.result());
        try {
            finished.waitForFinished(); // throws what the recognition failed with
            done(Outcome::later, {});   // cancelled: stale
        } catch (const TextRecognizerError &error) {
            switch (error.code()) {
            case TextRecognizerError::Code::timeout: return done(Outcome::timedOut, {});
            case TextRecognizerError::Code::unreadableImage: return done(Outcome::failed, {});
            case TextRecognizerError::Code::interrupted: return done(Outcome::later, {});
            }
        } catch (const platform::TextEngineError &error) {
            // An engine that cannot start at all (no language data) reads nothing now but will once
            // it is installed: the capture must not be marked as read.
            qCWarning(lcHistory, "the text of %s could not be read (%s)", qPrintable(name), qPrintable(error.detail()));
            done(error.kind() == platform::TextEngineError::Kind::unavailable ? Outcome::later : Outcome::failed, {});
        } catch (...) {
            done(Outcome::failed, {});
        }
    });
    watcher->setFuture(future);
}

void HistoryStore::readApart(const QString &path, const QString &name, quint64 token) {
    const auto done = [this, path, name, token](const BackgroundTextReader::Result &result) {
        if (m_recognitions.value(name).token == token) m_recognitions.remove(name);
        if (!isCurrent(name, token)) return workerReadEnded(token);
        if (result.outcome != BackgroundTextReader::Outcome::notStarted) {
            endRead(name, path, recordOf(name, path, result));
            return workerReadEnded(token);
        }
        decode(path, name, token);
    };
    m_recognitions.insert(name, {token, {}, m_options.reader->read(path, m_options.readTimeout, done)});
}

std::optional<HistoryRecord> HistoryStore::recordOf(const QString &name, const QString &path,
                                                    const BackgroundTextReader::Result &result) {
    using Apart = BackgroundTextReader::Outcome;
    const qint64 bytes = QFileInfo(path).size();
    switch (result.outcome) {
    case Apart::text:
        m_crashes.remove(name);
        return recordOf(name, path, Outcome::text, result.text, result.size, bytes);
    case Apart::notAPicture: return HistoryRecord::of({}, 0, 0, 0); // never read again
    case Apart::unreadableImage: return recordOf(name, path, Outcome::failed, {}, result.size, bytes);
    case Apart::timeout: return recordOf(name, path, Outcome::timedOut, {}, result.size, bytes);
    case Apart::engineUnavailable:
    case Apart::failed:
        qCWarning(lcHistory, "the text of %s could not be read (%s)", qPrintable(name), qPrintable(result.detail));
        return recordOf(name, path, result.outcome == Apart::failed ? Outcome::failed : Outcome::later, {}, result.size,
                        bytes);
    case Apart::crashed:
    case Apart::notStarted: break;
    }
    // Maybe not this file's fault: read once more, after the queue. A second crash is.
    if (++m_crashes[name] < 2) {
        m_queue.append(path);
        return std::nullopt;
    }
    m_crashes.remove(name);
    qCWarning(lcHistory, "reading the text of %s stopped the reader twice; it is not read again", qPrintable(name));
    return recordOf(name, path, Outcome::failed, {}, platform::ImageFile::readSize(path).value_or(QSize()), bytes);
}

std::optional<HistoryRecord> HistoryStore::recordOf(const QString &name, const QString &path, Outcome outcome,
                                                    const QString &text, QSize size, qint64 bytes) {
    if (outcome == Outcome::later) return std::nullopt;
    if (outcome == Outcome::timedOut) {
        m_quiet.start();
        const int tries = ++m_timeouts[name];
        if (tries < m_options.readTries) {
            qCWarning(lcHistory, "the text of %s was not read within the time limit; it is tried again later",
                      qPrintable(name));
            m_retries.append(path);
            return std::nullopt;
        }
        m_timeouts.remove(name);
        m_retriedAfterTimeouts.insert(name); // not again in this run
        qCWarning(lcHistory,
                  "the text of %s was not read within the time limit %d times; it is tried again at the next start",
                  qPrintable(name), tries);
        HistoryRecord record = HistoryRecord::of({}, size.width(), size.height(), bytes);
        record.timedOut = true;
        return record;
    }
    return HistoryRecord::of(text.toUtf8(), size.width(), size.height(), bytes);
}

quint64 HistoryStore::beginRead(const QString &name) {
    cancelRead(name);
    const quint64 token = ++m_lastToken;
    m_inFlight.insert(name, token);
    return token;
}

void HistoryStore::cancelRead(const QString &name) {
    // A stale read stops its recognition at once; its result, if any comes, is dropped by its token.
    if (auto running = m_recognitions.find(name); running != m_recognitions.end()) {
        stopRecognition(*running);
        m_recognitions.erase(running);
    }
    const quint64 token = m_inFlight.take(name);
    if (token != 0 && token == m_workerToken) {
        // The worker does not wait for a read nobody wants: it goes on with the next file.
        m_workerToken = 0;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_workerRunning && m_workerToken == 0) readNext();
            },
            Qt::QueuedConnection);
    }
}

void HistoryStore::endRead(const QString &name, const QString &path, const std::optional<HistoryRecord> &record) {
    m_inFlight.remove(name);
    if (record && QFileInfo::exists(path)) store(name, path, *record);
    updatePendingCount();
}

void HistoryStore::store(const QString &name, const QString &path, const HistoryRecord &record) {
    m_records.insert(name, record);
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name() == name) m_folded[i] = record.folded;
    }
    changed();
    emit recordStored(path);
    scheduleSave();
}

QList<HistoryEntry> HistoryStore::removeEntries(const std::function<bool(const HistoryEntry &)> &gone) {
    QList<HistoryEntry> removed;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (gone(m_entries[i])) {
            removed.append(std::move(m_entries[i]));
            continue;
        }
        if (kept != i) {
            m_entries[kept] = std::move(m_entries[i]);
            m_folded[kept] = std::move(m_folded[i]);
        }
        ++kept;
    }
    m_entries.resize(kept);
    m_folded.resize(kept);
    return removed;
}

void HistoryStore::alignFolded() {
    m_folded.resize(m_entries.size());
    for (qsizetype i = 0; i < m_entries.size(); ++i) m_folded[i] = m_records.value(m_entries[i].name()).folded;
}

void HistoryStore::updatePendingCount() {
    const int count = int(m_fresh.size() + m_queue.size() + m_retries.size() + m_inFlight.size());
    if (count == m_pendingCount) return;
    m_pendingCount = count;
    emit pendingCountChanged(count);
}

void HistoryStore::changed() { ++m_revision; }

// --- Saving ---

void HistoryStore::scheduleSave() {
    // Quiet for the save delay, or at the latest ten delays after the first unsaved change: reading a
    // long backlog changes the index every second or so, and a crash should not lose all of it.
    if (!m_saveTimer.isActive()) m_unsavedSince.start();
    const qint64 delay = m_options.saveDelay.count();
    m_saveTimer.start(int(std::clamp<qint64>(delay * 10 - m_unsavedSince.elapsed(), 0, delay)));
}

void HistoryStore::save() {
    m_saveTimer.stop();
    // Until the file is loaded the records in memory are not the whole index.
    if (!m_loaded) {
        m_saveWhenLoaded = true;
        return;
    }
    m_saveWhenLoaded = false;
    m_writer.write(m_records);
}
