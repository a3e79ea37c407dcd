#pragma once

#include <QCache>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

// The pictures of history cards: capture files decoded off the main thread at most 480 pixels on
// their longer side, on a pool of their own (one thread fewer than the cores, at least one) so that
// they never hold up recognition or saving; the newest request is decoded first, so after a fast
// scroll the cards on screen come before those scrolled past, and a request every asker has let go
// of before its decoding began is never decoded. Up to 400 are kept. Main thread only.
class HistoryThumbnails : public QObject {
    Q_OBJECT
public:
    static constexpr int maxSide = 480;
    static constexpr int cacheLimit = 400;

    explicit HistoryThumbnails(QObject *parent = nullptr);
    ~HistoryThumbnails() override;

    // The file's thumbnail: ready at once when kept; a null image when the file cannot be read as a
    // picture (and nothing is kept, so the next call tries again). Requests for a file already being
    // decoded share that decoding. Finishes on the main thread.
    QFuture<QImage> thumbnail(const QString &path);
    // One asker of `path` no longer wants it (its card shows another capture). When nobody does and
    // the decoding has not begun, it is skipped: the shared future then finishes with a null image.
    void release(const QString &path);
    // Drops what is kept or being made for `path`: the file was removed or its name is used again.
    void forget(const QString &path);

    int threadCount() const { return m_pool.maxThreadCount(); }
    int cachedCount() const { return int(m_cache.count()); }
    // Files decoded so far (tests).
    int decodedCount() const { return m_decoded->load(); }

private:
    struct Pending {
        QFuture<QImage> future;
        quint64 token = 0;
        int askers = 0;
        std::shared_ptr<std::atomic_bool> abandoned;
    };

    QCache<QString, QImage> m_cache;
    QThreadPool m_pool;
    QHash<QString, Pending> m_pending;
    quint64 m_lastToken = 0;
    int m_lastPriority = 0;
    std::shared_ptr<std::atomic_int> m_decoded = std::make_shared<std::atomic_int>(0);
};
