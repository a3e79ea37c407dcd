#include "history/HistoryThumbnails.h"
#include "support/TestSupport.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs the event loop until the thumbnail is there: it is finished on the main thread.
QImage waitFor(QFuture<QImage> future) {
    QEventLoop loop;
    QFutureWatcher<QImage> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) loop.exec();
    EXPECT_TRUE(future.isFinished());
    return future.isFinished() && future.resultCount() > 0 ? future.result() : QImage();
}

} // namespace

TEST(HistoryThumbnailsTest, PicturesAreScaledKeptAndMadeAgainOnlyWhenForgotten) {
    testsupport::TempFolder temp;
    HistoryThumbnails thumbnails;
    const QString wide = temp.file(QStringLiteral("larga.png"));
    QImage image(1000, 333, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(wide));

    const QImage first = waitFor(thumbnails.thumbnail(wide));
    EXPECT_EQ(first.size(), QSize(480, 160));
    QFuture<QImage> again = thumbnails.thumbnail(wide);
    ASSERT_TRUE(again.isFinished()); // kept: no decoding
    EXPECT_EQ(again.result().cacheKey(), first.cacheKey());

    // The name is used again by another capture: once forgotten, the new file is read.
    ASSERT_TRUE(image.scaled(100, 50).save(wide));
    thumbnails.forget(wide);
    EXPECT_EQ(waitFor(thumbnails.thumbnail(wide)).size(), QSize(100, 50));

    // A file that is no picture gives nothing, and nothing is kept for it.
    ASSERT_TRUE(temp.write(QStringLiteral("lixo.png"), "not a picture"));
    EXPECT_TRUE(waitFor(thumbnails.thumbnail(temp.file(QStringLiteral("lixo.png")))).isNull());
    EXPECT_EQ(thumbnails.cachedCount(), 1);

    // At most 400 are kept.
    QImage tiny(4, 4, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    for (int i = 0; i < HistoryThumbnails::cacheLimit + 10; ++i) {
        const QString file = temp.file(QStringLiteral("p%1.png").arg(i));
        ASSERT_TRUE(tiny.save(file));
        waitFor(thumbnails.thumbnail(file));
    }
    EXPECT_EQ(thumbnails.cachedCount(), HistoryThumbnails::cacheLimit);
    EXPECT_GE(thumbnails.threadCount(), 1);
}

TEST(HistoryThumbnailsTest, RequestsLetGoOfBeforeTheirTurnAreNeverDecoded) {
    testsupport::TempFolder temp;
    HistoryThumbnails thumbnails;
    QImage image(1200, 800, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QList<QFuture<QImage>> wanted;
    QStringList paths;
    for (int i = 0; i < 60; ++i) {
        paths.append(temp.file(QStringLiteral("c%1.png").arg(i)));
        ASSERT_TRUE(image.save(paths.last()));
    }
    // A fast scroll: sixty cards pass, each asking for its picture and letting go at once; the
    // last five stay on screen.
    for (int i = 0; i < 60; ++i) {
        QFuture<QImage> future = thumbnails.thumbnail(paths[i]);
        if (i < 55) thumbnails.release(paths[i]);
        else wanted.append(future);
    }
    for (const QFuture<QImage> &future : wanted) EXPECT_EQ(waitFor(future).size(), QSize(480, 320));
    // Besides the five, at most what the pool's threads had begun before they were let go.
    EXPECT_GE(thumbnails.decodedCount(), 5);
    EXPECT_LE(thumbnails.decodedCount(), 5 + thumbnails.threadCount());
    EXPECT_EQ(thumbnails.cachedCount(), 5);
}
