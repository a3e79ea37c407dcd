#include "history/RecentsStore.h"

#include "core/Exporter.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/FileReveal.h"
#include "platform/ImageFile.h"
#include "platform/Memory.h"
#include "platform/UserDefaults.h"
#include "widgets/Clipboard.h"
#include "widgets/Toast.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QFutureWatcher>
#include <QPainter>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>
#include <mutex>

#include <unistd.h>

namespace {

bool hasCaptureExtension(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("heic");
}

} // namespace

const QList<qint64> &RecentsStore::keepOptions() {
    static const QList<qint64> options{0, 20, 100, 500, 2000, unlimited};
    return options;
}

RecentsStore &RecentsStore::shared() {
    static RecentsStore *store = [] {
        auto *created = new RecentsStore(platform::UserDefaults::standard(),
                                         platform::AppPaths::documentsSubfolderOrTemp(QStringLiteral("Recentes")));
        // A capture taken just before quitting is still written.
        if (QCoreApplication *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, created, &RecentsStore::waitForPending);
        return created;
    }();
    return *store;
}

RecentsStore::RecentsStore(platform::UserDefaults &defaults, QString folder, Encoder encoder, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_folder(QDir::cleanPath(QDir(folder).absolutePath())),
      m_encoder(encoder ? std::move(encoder) : Encoder(&Exporter::encode)) {
    QDir().mkpath(m_folder);
    load();
}

RecentsStore::~RecentsStore() = default;

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

QList<RecentsStore::Listed> RecentsStore::listing() const {
    QList<Listed> files;
    const QFileInfoList entries =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        if (!hasCaptureExtension(entry.fileName())) continue;
        files.append({entry.absoluteFilePath(), m_dateOf(entry), entry.size(), entry.lastModified()});
    }
    std::stable_sort(files.begin(), files.end(), [](const Listed &a, const Listed &b) {
        if (!b.date.isValid()) return a.date.isValid();
        return a.date.isValid() && a.date > b.date;
    });
    return files;
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

int RecentsStore::fileCount() const { return static_cast<int>(listing().size()); }

std::optional<RecentsStore::Pending> RecentsStore::prepareAdd(const QImage &image) const {
    if (keepOnDisk() < 1 || image.isNull()) return std::nullopt;
    const bool compact = isCompact();
    Pending pending{m_clock(), ExportSettings{}, compact ? QStringLiteral("heic") : QStringLiteral("png")};
    pending.settings.format = compact ? ExportFormat::heic : ExportFormat::png;
    pending.settings.quality = compact ? 0.92 : 1.0;
    return pending;
}

RecentsStore::Written RecentsStore::writeCapture(const Encoder &encoder, const QString &folder, const QImage &image,
                                                 const Pending &pending) {
    const std::optional<QByteArray> bytes = encoder(image, pending.settings);
    if (!bytes || bytes->isEmpty()) return {};
    const QString stem = folder + QStringLiteral("/Pelicarta ") +
                         QLocale::c().toString(pending.time, QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    Written written;
    // Two captures of the same second, written at once, must not pick the same free name.
    static std::mutex naming;
    std::lock_guard lock(naming);
    QString path = stem + QLatin1Char('.') + pending.extension;
    for (qint64 n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(pending.extension);
    if (!platform::writeFileAtomically(path, *bytes, &written.error)) {
        // The capture just taken is never lost: it goes to a private temporary folder.
        written.refused = true;
        written.path = keepElsewhere(QFileInfo(path).fileName(), *bytes, &written.keptIn);
        return written;
    }
    written.path = path;
    written.thumbnail = thumbnail(image);
    return written;
}

QString RecentsStore::finishAdd(const QImage &image, const Written &written) {
    if (written.refused) {
        // The user is told once where the capture went, and why the folder refused it.
        if (!m_failureReported) {
            m_failureReported = true;
            emit keepingFailed(m_folder, written.error, written.keptIn);
        }
        return written.path;
    }
    if (written.path.isEmpty()) return {};
    m_failureReported = false;
    emit captureWritten(written.path, image);
    const QFileInfo file(written.path);
    m_items.prepend({written.path, QDateTime::currentDateTime(), written.thumbnail, file.size(), file.lastModified()});
    while (m_items.size() > showCount) m_items.removeLast();
    emit itemsChanged();
    pruneDisk(written.path);
    refreshUsage();
    return written.path;
}

QString RecentsStore::add(const QImage &image) {
    const std::optional<Pending> pending = prepareAdd(image);
    if (!pending) return {};
    return finishAdd(image, writeCapture(m_encoder, m_folder, image, *pending));
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
    raw->watcher.setFuture(QtConcurrent::run([encoder = m_encoder, folder = m_folder, image, pending = *pending] {
        return writeCapture(encoder, folder, image, pending);
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
    if (owned->done) owned->done(path);
    // The end of a capture's work: the encoder's buffers are free now.
    platform::Memory::releaseFreeMemorySoon();
}

void RecentsStore::waitForPending() {
    while (!m_jobs.empty()) {
        Job *job = m_jobs.front().get();
        job->watcher.waitForFinished();
        complete(job);
    }
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
        items.append({file.path, file.date, held != m_items.cend() ? held->thumbnail : QImage(), file.size, file.modified});
        if (items.last().thumbnail.isNull()) decodeThumbnail(file.path);
    }
    m_items = items;
    emit itemsChanged();
    refreshUsage();
}

namespace {

// At most two captures are decoded at once: each may hold a full-size picture for a moment.
QThreadPool &thumbnailPool() {
    static QThreadPool *pool = [] {
        auto *created = new QThreadPool;
        created->setMaxThreadCount(2);
        return created;
    }();
    return *pool;
}

} // namespace

void RecentsStore::decodeThumbnail(const QString &path) {
    if (m_decoding.contains(path)) return;
    m_decoding.insert(path);
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        thumbnailDecoded(path, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&thumbnailPool(), [path] { return readThumbnail(path); }));
}

void RecentsStore::thumbnailDecoded(const QString &path, const QImage &thumbnail) {
    m_decoding.remove(path);
    const auto it = std::find_if(m_items.begin(), m_items.end(), [&](const RecentCapture &item) { return item.path == path; });
    if (it == m_items.end() || !it->thumbnail.isNull()) return;
    if (thumbnail.isNull()) m_items.erase(it); // a file that cannot be read leaves its place empty
    else it->thumbnail = thumbnail;
    emit itemsChanged();
}

QImage RecentsStore::readThumbnail(const QString &path) { return thumbnail(platform::ImageFile::read(path)); }

void RecentsStore::refreshUsage() {
    qint64 total = 0;
    for (const Listed &listed : listing()) total += listed.size;
    if (total == m_usedBytes) return;
    m_usedBytes = total;
    emit usedBytesChanged();
}

void RecentsStore::pruneDisk(const QString &keep) {
    const qint64 limit = keepOnDisk();
    if (limit == unlimited) return;
    QStringList ordered;
    if (!keep.isEmpty()) ordered.append(keep);
    for (const Listed &listed : listing())
        if (listed.path != keep) ordered.append(listed.path);
    if (ordered.size() <= limit) return;
    const QStringList excess = ordered.mid(static_cast<qsizetype>(limit));
    for (const QString &path : excess) QFile::remove(path);
    removed(excess);
}

void RecentsStore::removed(const QStringList &paths) { emit capturesRemoved(paths); }

QString RecentsStore::keepElsewhere(const QString &fileName, const QByteArray &bytes, QString *folder) {
    const QString dir = QDir::tempPath() + QStringLiteral("/Pelicarta-%1/Recentes").arg(::getuid());
    if (!QDir().mkpath(dir)) return {};
    QFile::setPermissions(QFileInfo(dir).absolutePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Ours alone: a folder someone else made (or a link) is not written into.
    for (const QFileInfo &info : {QFileInfo(dir), QFileInfo(QFileInfo(dir).absolutePath())})
        if (info.isSymLink() || info.ownerId() != ::getuid()) return {};
    const QString path = dir + QLatin1Char('/') + fileName;
    if (!platform::writeFileAtomically(path, bytes)) return {};
    *folder = dir;
    return path;
}

bool RecentsStore::isCaptureFile(const QString &path) const {
    const QFileInfo info(path);
    return hasCaptureExtension(path) && !info.fileName().startsWith(QLatin1Char('.')) &&
           QDir::cleanPath(info.absolutePath()) == m_folder && !info.isDir();
}

void RecentsStore::open(const RecentCapture &item) {
    const QImage image = platform::ImageFile::read(item.path);
    if (!image.isNull()) {
        emit editorRequested(image, item.path, std::nullopt);
    } else if (!QFileInfo::exists(item.path)) {
        deleteFiles({item.path});
    }
}

void RecentsStore::copy(const RecentCapture &item) {
    const QImage image = platform::ImageFile::read(item.path);
    if (!image.isNull() && Clipboard::copy(image))
        Toast::show(item.thumbnail, L("Copiado"), L("Cole com ⌘V em qualquer app"));
    else
        Toast::show(item.thumbnail, L("Não foi possível copiar"), L("O arquivo da captura não pôde ser lido."));
}

void RecentsStore::reveal(const RecentCapture &item) { platform::revealFile(item.path); }

void RecentsStore::deleteFiles(const QStringList &paths) {
    QStringList ours;
    for (const QString &path : paths) {
        const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        if (!isCaptureFile(clean)) continue;
        QFile::remove(clean);
        ours.append(clean);
    }
    load();
    if (!ours.isEmpty()) removed(ours);
}

void RecentsStore::deleteAll() {
    const QStringList files = sortedFiles();
    for (const QString &path : files) QFile::remove(path);
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

QImage RecentsStore::thumbnail(const QImage &image) {
    if (image.isNull()) return {};
    const QSize box = thumbnailBox.boundedTo(image.size());
    const double scale = std::min(1.0, std::max(double(box.width()) / image.width(), double(box.height()) / image.height()));
    const QSize scaled(std::max(1, int(std::round(scale * image.width()))), std::max(1, int(std::round(scale * image.height()))));
    const QImage covering = scaled == image.size() ? image : image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QRect cut(QPoint(), box.boundedTo(covering.size()));
    cut.moveCenter(covering.rect().center());
    return covering.copy(cut).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
