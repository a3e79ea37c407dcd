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
