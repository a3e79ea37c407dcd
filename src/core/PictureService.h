#pragma once

#include <QCache>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

class ThumbnailFolder;

// Pictures of files reduced for a view (history cards, recents tiles, tutorial covers and steps),
// decoded off the main thread through the bounded readers of platform::ImageFile, so that a damaged,
// hostile or unsupported file gives a null image. One pool (one thread fewer than the cores, at least
// two: while a page's pictures come in, its GUI thread mostly waits, so on two processors both decode)
// takes this work and nothing else, below the GUI thread's priority, and none of its tasks waits for
// another of its own. The newest request is decoded first, so after a fast scroll the views on
// screen come before those scrolled past; the requests of a Batch start together, the first asked
// first, so that a page coming on screen fills in the order it is read; requests for the same file, box and fit share one decoding;
// a request every asker has let go of before its decoding began is never decoded. Finished pictures
// are kept in one cache bounded in bytes (which also bounds their number). A capture opened or copied
// is decoded whole on the same pool (`whole`). Main thread only.
class PictureService : public QObject {
    Q_OBJECT
public:
    // How a picture meets its box; never enlarged either way.
    enum class Fit {
        inside, // the whole picture, in proportion, no larger than the box
        cover,  // scaled to cover the box and cut to it around its centre
    };
    // A picture counts as at least 480 KiB (a history card of a 16:9 capture), so that the bytes kept
    // also bound how many: the application's cache has room for 40, a few screens of cards beyond
    // those the cards on screen hold anyway. More would grow the resident by half a megabyte with
    // every capture that comes onto an open history page, for pictures read again from the thumbnail
    // folder in a moment.
    static constexpr qint64 pictureKiB = 480;
    static constexpr qint64 defaultCacheKiB = 40 * pictureKiB;

    // While one lives, the pictures asked for wait; when the last one ends they start together, ahead
    // of every earlier request and in the order they were asked for. Without it the first requests of
    // a page would start at once on the idle threads and the rest newest first: the last card asked
    // for would be among the first shown. Main thread only.
    class Batch {
    public:
        explicit Batch(PictureService &service);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        PictureService &m_service;
    };

    // How a file becomes its picture: `read`, unless a test puts another in. Any thread.
    using Reader = std::function<QImage(const QString &path, QSize box, Fit fit)>;

    // The application's service.
    static PictureService &shared();
    explicit PictureService(int threads = defaultThreadCount(), Reader reader = &PictureService::read,
                            qint64 cacheKiB = defaultCacheKiB, QObject *parent = nullptr);
    ~PictureService() override;

    // The picture of the file reduced to `box`: ready at once when kept; a null image when the file
    // cannot be read as a picture (and nothing is kept, so the next call tries again). Finishes on the
    // main thread. With a `folder` (of pictures of one fit), a picture it keeps of the file is taken
    // instead of decoding the file, and one decoded is kept there too.
    QFuture<QImage> picture(const QString &path, QSize box, Fit fit = Fit::inside,
                            std::shared_ptr<ThumbnailFolder> folder = {});
    // Makes the picture into `folder` unless it keeps one of the file as it is, after every request
    // waiting and without keeping it in memory: a new capture's card shows at once on a page opened later.
    void prepare(const QString &path, QSize box, Fit fit, std::shared_ptr<ThumbnailFolder> folder);
    // One asker of that picture no longer wants it. When nobody does and its decoding has not begun,
    // it is skipped: the shared future then finishes with a null image.
    void release(const QString &path, QSize box, Fit fit = Fit::inside);
    // Drops what is kept or being made of `path` at any size: the file was removed or replaced.
    void forget(const QString &path);
    bool isKept(const QString &path, QSize box, Fit fit = Fit::inside) const;
    // The file's whole picture, for a capture opened or copied: decoded on the same pool, ahead of the
    // reduced pictures waiting (someone waits for this one), neither shared nor kept. A null image when
    // the file cannot be read as a picture. Finishes on a thread of the pool: continue it with a context.
    QFuture<QImage> whole(const QString &path);

    // The file's picture for `box`, decoded now at reduced size; null when it cannot be read. Any thread.
    static QImage read(const QString &path, QSize box, Fit fit);
    // The image scaled to cover `box` and cut to it around its centre, never enlarged; premultiplied.
    static QImage cover(const QImage &image, QSize box);

    static int defaultThreadCount();
    int threadCount() const { return m_pool.maxThreadCount(); }
    int keptCount() const { return int(m_cache.count()); }
    qint64 cacheKiB() const { return m_cache.maxCost(); }
    // Decodings begun so far.
    int decodedCount() const { return m_decoded->load(); }

private:
    struct Key {
        QString path;
        QSize box;
        Fit fit = Fit::inside;
        bool operator==(const Key &) const = default;
    };
    friend size_t qHash(const Key &key, size_t seed = 0) {
        return qHashMulti(seed, key.path, key.box.width(), key.box.height(), int(key.fit));
    }
    struct Pending {
        QFuture<QImage> future;
        quint64 token = 0;
        int askers = 0;
        std::shared_ptr<std::atomic_bool> abandoned;
    };

    // Starts `read` on the pool as the newest request; a request abandoned before its turn is not read.
    // `follow` continues the decoding's future before the read can start, so that a read that ends at
    // once (a broken file) still reaches its continuation later, never inside this call.
    using Follow = std::function<QFuture<QImage>(QFuture<QImage>)>;
    QFuture<QImage> decode(std::function<QImage()> read, std::shared_ptr<std::atomic_bool> abandoned,
                           const Follow &follow = {});
    // Starts what a batch held, the first asked for at the highest priority.
    void startHeld();
    int nextPriorities(int count);

    Reader m_reader;
    QCache<Key, QImage> m_cache; // cost in KiB
    QThreadPool m_pool;
    QHash<Key, Pending> m_pending;
    quint64 m_lastToken = 0;
    int m_lastPriority = 0;
    int m_batches = 0;                        // batches alive
    QList<std::function<void()>> m_held;      // decodings asked for meanwhile, in order
    std::shared_ptr<std::atomic_int> m_decoded = std::make_shared<std::atomic_int>(0);
};
