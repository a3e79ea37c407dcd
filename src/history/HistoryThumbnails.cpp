#include "history/HistoryThumbnails.h"

#include "platform/ImageFile.h"

#include <QThread>
#include <QtConcurrent>

#include <climits>

HistoryThumbnails::HistoryThumbnails(QObject *parent) : QObject(parent), m_cache(cacheLimit) {
    m_pool.setObjectName(QStringLiteral("HistoryThumbs"));
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
}

HistoryThumbnails::~HistoryThumbnails() {
    m_pool.clear();
    m_pool.waitForDone();
}

QFuture<QImage> HistoryThumbnails::thumbnail(const QString &path) {
    if (const QImage *kept = m_cache.object(path)) return QtFuture::makeReadyFuture(*kept);
    if (const auto pending = m_pending.find(path); pending != m_pending.end()) {
        ++pending->askers;
        return pending->future;
    }

    // Later requests get higher priorities, and the pool starts the highest waiting one first.
    m_lastPriority = m_lastPriority == INT_MAX ? 0 : m_lastPriority + 1;
    const quint64 token = ++m_lastToken;
    // Registered first: a decoding that is already done runs the continuation below right away.
    auto abandoned = std::make_shared<std::atomic_bool>(false);
    m_pending.insert(path, {{}, token, 1, abandoned});
    QFuture<QImage> decoded = QtConcurrent::task([abandoned, decodedCount = m_decoded](const QString &file) {
                                  if (abandoned->load()) return QImage();
                                  ++*decodedCount;
                                  return platform::ImageFile::readScaled(file, maxSide);
                              })
                                  .withArguments(path)
                                  .onThreadPool(m_pool)
                                  .withPriority(m_lastPriority)
                                  .spawn();
    QFuture<QImage> result = decoded.then(this, [this, path, token](const QImage &image) {
        const auto pending = m_pending.constFind(path);
        if (pending == m_pending.cend() || pending->token != token) return image; // forgotten meanwhile
        m_pending.erase(pending);
        if (!image.isNull()) m_cache.insert(path, new QImage(image));
        return image;
    });
    if (const auto pending = m_pending.find(path); pending != m_pending.end() && pending->token == token)
        pending->future = result;
    return result;
}

void HistoryThumbnails::release(const QString &path) {
    const auto pending = m_pending.find(path);
    if (pending == m_pending.end() || --pending->askers > 0) return;
    pending->abandoned->store(true);
    m_pending.erase(pending); // a later request decodes afresh
}

void HistoryThumbnails::forget(const QString &path) {
    m_cache.remove(path);
    m_pending.remove(path);
}
