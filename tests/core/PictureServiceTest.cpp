#include "core/PictureService.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include <sys/stat.h>

namespace {

using Fit = PictureService::Fit;

// Runs the event loop until the picture is there: it is finished on the main thread.
QImage waitFor(QFuture<QImage> future) {
    QEventLoop loop;
    QFutureWatcher<QImage> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(testsupport::patienceMs, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) loop.exec();
    EXPECT_TRUE(future.isFinished());
    return future.isFinished() && future.resultCount() > 0 ? future.result() : QImage();
}

// A reader that makes a picture the size of the box without any file, records what it was asked
// for, and holds the pool's thread on "wait" until the test opens the gate.
struct GatedReader {
    QMutex mutex;
    QStringList asked;
    QSemaphore entered;
    QSemaphore gate;

    PictureService::Reader reader() {
        return [this](const QString &path, QSize box, Fit) {
            {
                QMutexLocker lock(&mutex);
                asked.append(path);
            }
            if (path == QLatin1String("wait")) {
                entered.release();
                gate.acquire();
            }
            return testsupport::filledImage(box.width(), box.height(), Qt::red);
        };
    }
    QStringList askedSoFar() {
        QMutexLocker lock(&mutex);
        return asked;
    }
};

} // namespace

TEST(PictureServiceTest, PicturesFitOrCoverTheirBoxAndAreKeptUntilForgotten) {
    testsupport::TempFolder temp;
    PictureService pictures;
    const QString wide = temp.file(QStringLiteral("larga.png"));
    QImage image(1000, 333, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(wide));

    const QImage first = waitFor(pictures.picture(wide, {480, 480}));
    EXPECT_EQ(first.size(), QSize(480, 160));
    QFuture<QImage> again = pictures.picture(wide, {480, 480});
    ASSERT_TRUE(again.isFinished()); // kept: no decoding
    EXPECT_EQ(again.result().cacheKey(), first.cacheKey());
    EXPECT_TRUE(pictures.isKept(wide, {480, 480}));
    // Another box or fit is another picture; covering cuts the sides off.
    EXPECT_EQ(waitFor(pictures.picture(wide, {600, 100})).size(), QSize(300, 100));
    EXPECT_EQ(waitFor(pictures.picture(wide, {232, 160}, Fit::cover)).size(), QSize(232, 160));
    EXPECT_EQ(pictures.keptCount(), 3);

    // The file is replaced: once forgotten, at every size, the new file is read.
    ASSERT_TRUE(image.scaled(100, 50).save(wide));
    pictures.forget(wide);
    EXPECT_EQ(pictures.keptCount(), 0);
    EXPECT_EQ(waitFor(pictures.picture(wide, {480, 480})).size(), QSize(100, 50)); // never enlarged
    EXPECT_EQ(waitFor(pictures.picture(wide, {232, 160}, Fit::cover)).size(), QSize(100, 50));
    EXPECT_GE(pictures.threadCount(), 1);
}

TEST(PictureServiceTest, AFileThatIsNoReadablePictureGivesANullImageAndIsTriedAgain) {
    testsupport::TempFolder temp;
    PictureService pictures;
    QImage image(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x, y, x ^ y));
    ASSERT_TRUE(image.save(temp.file(QStringLiteral("inteira.png"))));
    const QByteArray whole = temp.read(QStringLiteral("inteira.png"));
    ASSERT_TRUE(temp.write(QStringLiteral("cortada.png"), whole.left(whole.size() / 2)));
    ASSERT_TRUE(temp.write(QStringLiteral("lixo.png"), "\x89PNG not really"));
    ASSERT_TRUE(temp.write(QStringLiteral("vazia.png"), {}));
    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("pasta.png")));
    // A pipe would hold a reader that opened it until someone writes: it is never opened.
    ASSERT_EQ(::mkfifo(QFile::encodeName(temp.file(QStringLiteral("fifo.png"))).constData(), 0600), 0);

    QElapsedTimer clock;
    clock.start();
    const QStringList names{QStringLiteral("cortada.png"), QStringLiteral("lixo.png"), QStringLiteral("vazia.png"),
                            QStringLiteral("pasta.png"),   QStringLiteral("fifo.png"), QStringLiteral("ausente.png")};
    for (const QString &name : names) {
        for (const auto &[box, fit] : {std::pair{QSize(480, 480), Fit::inside}, std::pair{QSize(760, 520), Fit::inside},
                                       std::pair{QSize(232, 160), Fit::cover}})
            EXPECT_TRUE(waitFor(pictures.picture(temp.file(name), box, fit)).isNull()) << name.toStdString();
    }
    EXPECT_LT(clock.elapsed(), testsupport::patienceMs); // a read waiting for the FIFO's writer would never end
    EXPECT_EQ(pictures.keptCount(), 0);
    EXPECT_EQ(waitFor(pictures.picture(temp.file(QStringLiteral("inteira.png")), {480, 480})).size(), QSize(300, 200));
    // Nothing was kept of a failure: asking again reads the file again.
    const int decoded = pictures.decodedCount();
    EXPECT_TRUE(waitFor(pictures.picture(temp.file(QStringLiteral("lixo.png")), {480, 480})).isNull());
    EXPECT_EQ(pictures.decodedCount(), decoded + 1);
    EXPECT_TRUE(PictureService::read(temp.file(QStringLiteral("inteira.png")), {}, Fit::inside).isNull());
}

// A picture not kept arrives later on the main thread, never inside the call asking for it, however
// fast its reading fails: a view asking for it counts on being told then.
TEST(PictureServiceTest, APictureNotKeptNeverArrivesInsideTheCallThatAsksForIt) {
    PictureService pictures(4, [](const QString &, QSize, Fit) { return QImage(); });
    QList<QFuture<QImage>> asked;
    int atOnce = 0;
    for (int i = 0; i < 1000; ++i) {
        asked.append(pictures.picture(QString::number(i), {100, 100}));
        if (asked.last().isFinished()) ++atOnce;
    }
    EXPECT_EQ(atOnce, 0);
    EXPECT_TRUE(testsupport::becomes([&] {
        return std::all_of(asked.cbegin(), asked.cend(), [](const QFuture<QImage> &f) { return f.isFinished(); });
    }));
}

TEST(PictureServiceTest, IdenticalRequestsShareADecodingAndOnlyThoseStillWantedAreDecodedNewestFirst) {
    GatedReader reads;
    PictureService pictures(1, reads.reader());
    const auto pending = pictures.picture(QStringLiteral("wait"), {10, 10});
    ASSERT_TRUE(reads.entered.tryAcquire(1, testsupport::patienceMs)); // the one thread is held

    // Two askers of one picture share it; a third box of that file is another picture.
    QFuture<QImage> shared = pictures.picture(QStringLiteral("a"), {20, 10});
    QFuture<QImage> sharedAgain = pictures.picture(QStringLiteral("a"), {20, 10});
    QFuture<QImage> otherBox = pictures.picture(QStringLiteral("a"), {30, 10});
    // Let go of by one of its two askers, it is still wanted; let go of by its only asker, it is not.
    pictures.release(QStringLiteral("a"), {20, 10});
    QFuture<QImage> dropped = pictures.picture(QStringLiteral("b"), {20, 10});
    pictures.release(QStringLiteral("b"), {20, 10});
    QFuture<QImage> newest = pictures.picture(QStringLiteral("c"), {20, 10});
    pictures.release(QStringLiteral("never asked"), {20, 10}); // changes nothing

    reads.gate.release();
    EXPECT_EQ(waitFor(shared).size(), QSize(20, 10));
    EXPECT_EQ(waitFor(sharedAgain).cacheKey(), waitFor(shared).cacheKey());
    EXPECT_EQ(waitFor(otherBox).size(), QSize(30, 10));
    EXPECT_TRUE(waitFor(dropped).isNull());
    EXPECT_EQ(waitFor(newest).size(), QSize(20, 10));
    EXPECT_EQ(waitFor(pending).size(), QSize(10, 10));
    // "b" was never decoded, and the newest request went first.
    EXPECT_EQ(reads.askedSoFar(),
              (QStringList{QStringLiteral("wait"), QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("a")}));
    EXPECT_EQ(pictures.decodedCount(), 4);
    EXPECT_FALSE(pictures.isKept(QStringLiteral("b"), {20, 10}));
    // Asked for again, a dropped picture is decoded afresh.
    EXPECT_EQ(waitFor(pictures.picture(QStringLiteral("b"), {20, 10})).size(), QSize(20, 10));
}

TEST(PictureServiceTest, AWholePictureIsDecodedOnThePoolAheadOfTheThumbnailsWaitingAndNotKept) {
    testsupport::TempFolder temp;
    GatedReader reads;
    PictureService pictures(1, reads.reader());
    const QString path = temp.file(QStringLiteral("inteira.png"));
    ASSERT_TRUE(testsupport::filledImage(900, 700, Qt::blue).save(path));
    const auto held = pictures.picture(QStringLiteral("wait"), {10, 10});
    ASSERT_TRUE(reads.entered.tryAcquire(1, testsupport::patienceMs)); // the one thread is held
    const auto thumbnail = pictures.picture(QStringLiteral("a"), {20, 10});

    // What the pool had read when the whole picture was done, and on which thread.
    QThread *decodedOn = nullptr;
    const QFuture<QStringList> readBefore = pictures.whole(path).then([&](const QImage &image) {
        decodedOn = QThread::currentThread();
        EXPECT_EQ(image.size(), QSize(900, 700));
        return reads.askedSoFar();
    });
    testsupport::settle();
    EXPECT_FALSE(readBefore.isFinished()); // waits for the pool, not read on the caller's thread
    reads.gate.release();
    ASSERT_TRUE(testsupport::becomes([&] { return readBefore.isFinished(); }));
    EXPECT_EQ(readBefore.result(), QStringList{QStringLiteral("wait")});
    EXPECT_NE(decodedOn, QThread::currentThread());
    EXPECT_EQ(waitFor(thumbnail).size(), QSize(20, 10));
    waitFor(held);
    EXPECT_EQ(pictures.keptCount(), 2); // the two thumbnails only
    EXPECT_TRUE(waitFor(pictures.whole(temp.file(QStringLiteral("ausente.png")))).isNull());
}

TEST(PictureServiceTest, RequestsLetGoOfDuringAFastScrollAreNeverDecoded) {
    testsupport::TempFolder temp;
    // Decoding is slower than the scroll: every read waits until the scroll is over, however the
    // machine shares its time between them.
    std::atomic_bool scrolled{false};
    PictureService pictures(PictureService::defaultThreadCount(), [&scrolled](const QString &path, QSize box, Fit fit) {
        while (!scrolled) QThread::msleep(1);
        return PictureService::read(path, box, fit);
    });
    QImage image(1200, 800, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QList<QFuture<QImage>> wanted;
    QStringList paths;
    for (int i = 0; i < 60; ++i) {
        paths.append(temp.file(QStringLiteral("c%1.png").arg(i)));
        ASSERT_TRUE(image.save(paths.last()));
    }
    // Sixty cards pass, each asking for its picture and letting go at once; the last five stay on
    // screen.
    for (int i = 0; i < 60; ++i) {
        QFuture<QImage> future = pictures.picture(paths[i], {480, 480});
        if (i < 55) pictures.release(paths[i], {480, 480});
        else wanted.append(future);
    }
    scrolled = true;
    for (const QFuture<QImage> &future : wanted) EXPECT_EQ(waitFor(future).size(), QSize(480, 320));
    // Besides the five, at most what the pool's threads had begun before they were let go.
    EXPECT_GE(pictures.decodedCount(), 5);
    EXPECT_LE(pictures.decodedCount(), 5 + pictures.threadCount());
    EXPECT_EQ(pictures.keptCount(), 5);
}

TEST(PictureServiceTest, TheCacheIsBoundedInBytesAndSoInCountAndKeepsTheLatest) {
    GatedReader reads;
    PictureService pictures(2, reads.reader(), 10 * PictureService::pictureKiB);
    EXPECT_EQ(PictureService::shared().cacheKiB(), PictureService::defaultCacheKiB);
    // Small pictures each count as `pictureKiB`: ten are kept.
    for (int i = 0; i < 15; ++i) waitFor(pictures.picture(QStringLiteral("p%1").arg(i), {4, 4}));
    EXPECT_EQ(pictures.keptCount(), 10);
    EXPECT_TRUE(pictures.isKept(QStringLiteral("p14"), {4, 4}));
    EXPECT_FALSE(pictures.isKept(QStringLiteral("p4"), {4, 4}));

    // Large ones: as many as the bytes allow, the latest among them.
    const QSize large(600, 600);
    const qint64 largeKiB = qint64(large.width()) * large.height() * 4 / 1024;
    for (int i = 0; i < 15; ++i) waitFor(pictures.picture(QStringLiteral("g%1").arg(i), large));
    EXPECT_EQ(pictures.keptCount(), pictures.cacheKiB() / largeKiB);
    EXPECT_TRUE(pictures.isKept(QStringLiteral("g14"), large));
    EXPECT_FALSE(pictures.isKept(QStringLiteral("g0"), large));
    // One larger than the whole cache is delivered, not kept.
    EXPECT_EQ(waitFor(pictures.picture(QStringLiteral("h"), {2000, 2000})).size(), QSize(2000, 2000));
    EXPECT_FALSE(pictures.isKept(QStringLiteral("h"), {2000, 2000}));
}
