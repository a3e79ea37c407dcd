#include "core/PictureService.h"

#include "core/ThumbnailFolder.h"
#include "platform/ImageFile.h"
#include "platform/ThreadPriority.h"

#include <QCoreApplication>
#include <QPromise>
#include <QRect>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace {

qint64 costOf(const QImage &image) { return std::max(PictureService::pictureKiB, qint64(image.sizeInBytes() / 1024)); }

} // namespace

PictureService &PictureService::shared() {
    // Made on the main thread at first use, where its pictures finish, and kept as long as the process.
    // Its pool is drained as the application object goes, before it takes down the thread pool that
    // Qt's own image work uses: after that, a picture still being scaled would crash.
    static PictureService *service = [] {
        auto *made = new PictureService;
        qAddPostRoutine([] {
            shared().m_pool.clear();
            shared().m_pool.waitForDone();
        });
        return made;
    }();
    return *service;
}

int PictureService::defaultThreadCount() { return std::max(2, QThread::idealThreadCount() - 1); }

PictureService::PictureService(int threads, Reader reader, qint64 cacheKiB, QObject *parent)
    : QObject(parent), m_reader(std::move(reader)), m_cache(cacheKiB) {
    m_pool.setObjectName(QStringLiteral("Pictures"));
    m_pool.setMaxThreadCount(std::max(1, threads));
    m_pool.setExpiryTimeout(5000); // gone a moment after the last picture
}

PictureService::~PictureService() {
    m_pool.clear();
    m_pool.waitForDone();
}

QFuture<QImage> PictureService::picture(const QString &path, QSize box, Fit fit,
                                        std::shared_ptr<ThumbnailFolder> folder) {
    const Key key{path, box, fit};
    if (const QImage *kept = m_cache.object(key)) return QtFuture::makeReadyFuture(*kept);
    if (const auto pending = m_pending.find(key); pending != m_pending.end()) {
        ++pending->askers;
        return pending->future;
    }

    const quint64 token = ++m_lastToken;
    // Registered before the decoding starts: its continuation finds it there.
    auto abandoned = std::make_shared<std::atomic_bool>(false);
    m_pending.insert(key, {{}, token, 1, abandoned});
    QFuture<QImage> result = decode(
        [reader = m_reader, key, folder = std::move(folder)] {
            if (!folder) return reader(key.path, key.box, key.fit);
            return folder->fetch(key.path, key.box, [&] { return reader(key.path, key.box, key.fit); });
        },
        abandoned,
        [this, key, token](QFuture<QImage> decoded) {
            return decoded.then(this, [this, key, token](const QImage &image) {
                const auto pending = m_pending.constFind(key);
                if (pending == m_pending.cend() || pending->token != token) return image; // forgotten meanwhile
                m_pending.erase(pending);
                if (!image.isNull()) m_cache.insert(key, new QImage(image), costOf(image));
                return image;
            });
        });
    if (const auto pending = m_pending.find(key); pending != m_pending.end() && pending->token == token)
        pending->future = result;
    return result;
}

void PictureService::prepare(const QString &path, QSize box, Fit fit, std::shared_ptr<ThumbnailFolder> folder) {
    if (!folder || box.isEmpty()) return;
    // Below every request, whose priorities count up from zero.
    m_pool.start(
        [reader = m_reader, path, box, fit, folder = std::move(folder)] {
            platform::lowerCurrentThreadToBulkPriority();
            if (folder->read(path, box).isNull()) folder->fetch(path, box, [&] { return reader(path, box, fit); });
        },
        -1);
}

QFuture<QImage> PictureService::whole(const QString &path) {
    return decode([path] { return platform::ImageFile::read(path); }, std::make_shared<std::atomic_bool>(false));
}

QFuture<QImage> PictureService::decode(std::function<QImage()> read, std::shared_ptr<std::atomic_bool> abandoned,
                                       const Follow &follow) {
    auto promise = std::make_shared<QPromise<QImage>>();
    promise->start();
    // A continuation with a context, attached to a future already finished, would run right here.
    const QFuture<QImage> decoded = follow ? follow(promise->future()) : promise->future();
    std::function<void()> task = [promise, abandoned = std::move(abandoned), decodedCount = m_decoded,
                                  read = std::move(read)] {
        // Below the GUI thread; the pool takes nothing else, so its threads may stay lowered.
        platform::lowerCurrentThreadToBulkPriority();
        QImage image;
        if (!abandoned->load()) {
            ++*decodedCount;
            image = read();
        }
        promise->addResult(std::move(image));
        promise->finish();
    };
    if (m_batches > 0) m_held.append(std::move(task));
    else m_pool.start(std::move(task), nextPriorities(1)); // the pool starts the highest waiting one first
    return decoded;
}

int PictureService::nextPriorities(int count) {
    // Later requests get higher priorities; this returns the highest of `count` new ones.
    if (m_lastPriority > INT_MAX - count) m_lastPriority = 0;
    m_lastPriority += count;
    return m_lastPriority;
}

PictureService::Batch::Batch(PictureService &service) : m_service(service) { ++service.m_batches; }

PictureService::Batch::~Batch() {
    if (--m_service.m_batches == 0) m_service.startHeld();
}

void PictureService::startHeld() {
    const QList<std::function<void()>> held = std::exchange(m_held, {});
    int priority = nextPriorities(int(held.size()));
    for (const std::function<void()> &task : held) m_pool.start(task, priority--);
}

void PictureService::release(const QString &path, QSize box, Fit fit) {
    const auto pending = m_pending.find(Key{path, box, fit});
    if (pending == m_pending.end() || --pending->askers > 0) return;
    pending->abandoned->store(true);
    m_pending.erase(pending); // a later request decodes afresh
}

void PictureService::forget(const QString &path) {
    for (const Key &key : m_cache.keys())
        if (key.path == path) m_cache.remove(key);
    m_pending.removeIf([&path](QHash<Key, Pending>::iterator pending) { return pending.key().path == path; });
}

bool PictureService::isKept(const QString &path, QSize box, Fit fit) const {
    return m_cache.contains(Key{path, box, fit});
}

QImage PictureService::read(const QString &path, QSize box, Fit fit) {
    if (box.isEmpty()) return {};
    // Decoded at reduced size: never the whole picture when a thumbnail is all that is shown.
    if (fit == Fit::cover) return cover(platform::ImageFile::readThumbnail(path, box), box);
    return platform::ImageFile::readScaled(path, box);
}

QImage PictureService::cover(const QImage &image, QSize box) {
    if (image.isNull() || box.isEmpty()) return {};
    box = box.boundedTo(image.size());
    const double scale =
        std::min(1.0, std::max(double(box.width()) / image.width(), double(box.height()) / image.height()));
    const QSize scaled(std::max(1, int(std::round(scale * image.width()))),
                       std::max(1, int(std::round(scale * image.height()))));
    const QImage covering =
        scaled == image.size() ? image : image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QRect cut(QPoint(), box.boundedTo(covering.size()));
    cut.moveCenter(covering.rect().center());
    return covering.copy(cut).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
