#include "core/PictureService.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorial_window/PictureLoader.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(PictureLoaderTest, DecodesInTheBackgroundNoLargerThanTheBox) {
    testsupport::TempFolder temp;
    const QString big = temp.file(QStringLiteral("big.png"));
    const QString small = temp.file(QStringLiteral("small.png"));
    const QString broken = temp.file(QStringLiteral("broken.png"));
    ASSERT_TRUE(testsupport::filledImage(3000, 1000, Qt::red).save(big));
    ASSERT_TRUE(testsupport::filledImage(100, 50, Qt::blue).save(small));
    ASSERT_TRUE(temp.write(QStringLiteral("broken.png"), "\x89PNG not really"));

    PictureLoader loader;
    QSignalSpy finished(&loader, &PictureLoader::finished);
    const QSize box(760, 520);
    for (const QString &path : {big, small, broken}) {
        EXPECT_TRUE(loader.picture(path, box).isNull()); // never waits
        EXPECT_EQ(loader.state(path, box), PictureLoader::State::loading);
    }
    EXPECT_TRUE(loader.picture(big, box).isNull()); // asked again while decoding: still one decode
    ASSERT_TRUE(testsupport::received(finished, 3));
    EXPECT_EQ(finished.count(), 3);

    EXPECT_EQ(loader.picture(big, box).size(), QSize(760, 253));
    EXPECT_EQ(loader.picture(small, box).size(), QSize(100, 50)); // never enlarged
    EXPECT_EQ(loader.state(broken, box), PictureLoader::State::failed);
    // A failure is not tried again: asking once more decodes nothing. A decode it started would begin
    // before that of the next picture asked for (a free worker takes it at once, and a broken file
    // fails at once), so once that one is done the count says. Nor is anything announced.
    const int decoded = PictureService::shared().decodedCount();
    EXPECT_TRUE(loader.picture(broken, box).isNull());
    const QString next = temp.file(QStringLiteral("next.png"));
    ASSERT_TRUE(testsupport::filledImage(10, 10, Qt::green).save(next));
    const QFuture<QImage> nextPicture = PictureService::shared().picture(next, box);
    ASSERT_TRUE(testsupport::becomes([&] { return nextPicture.isFinished(); }));
    EXPECT_EQ(PictureService::shared().decodedCount(), decoded + 1);
    EXPECT_EQ(finished.count(), 3);
}
