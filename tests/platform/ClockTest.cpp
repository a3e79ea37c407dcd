#include "platform/Clock.h"
#include "platform/FontCatalog.h"
#include "support/FixedClock.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFontDatabase>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

// The recents order captures by these dates, read on worker threads while pruning.
TEST(ClockTest, FileDatesAreTheFileSystemsOnAnyThread) {
    testsupport::TempFolder temp;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    ASSERT_TRUE(temp.write(QStringLiteral("a.png"), "x"));
    const QDateTime written(QDate(2024, 2, 3), QTime(4, 5, 6));
    QFile file(temp.file(QStringLiteral("a.png")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();

    const QFileInfo info(file.fileName());
    platform::FileDates &dates = platform::FileDates::shared();
    EXPECT_EQ(dates.modified(info), written);
    const QDateTime made = dates.made(info);
    // Made when written, where the file system keeps that; a later modification time leaves it.
    EXPECT_TRUE(!made.isValid() || (made >= before && made <= QDateTime::currentDateTime().addSecs(1)));
    EXPECT_EQ(QtConcurrent::run([&] { return std::pair(dates.made(info), dates.modified(info)); }).result(),
              std::pair(made, written));
    EXPECT_FALSE(dates.modified(QFileInfo(temp.file(QStringLiteral("gone.png")))).isValid());

    const QDateTime now = platform::Clock::shared().now();
    EXPECT_TRUE(now >= before && now <= QDateTime::currentDateTime());
}

TEST(ClockTest, SubstitutesGiveBackWhatWasInPlaceBefore) {
    testsupport::TempFolder temp;
    ASSERT_TRUE(temp.write(QStringLiteral("a.png"), "x"));
    const QFileInfo info(temp.file(QStringLiteral("a.png")));
    const QDateTime real = platform::FileDates::shared().modified(info);
    {
        testsupport::FixedFileDates outer;
        outer.insert(QStringLiteral("a.png"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
        {
            testsupport::FixedFileDates inner;
            EXPECT_EQ(platform::FileDates::shared().made(info), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
            inner.insert(QStringLiteral("a.png"), QDateTime());
            EXPECT_FALSE(platform::FileDates::shared().made(info).isValid());
        }
        EXPECT_EQ(platform::FileDates::shared().modified(info), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    }
    EXPECT_EQ(platform::FileDates::shared().modified(info), real);
}

TEST(ClockTest, TheFontCatalogListsTheFontDatabase) {
    const QStringList listed = platform::FontCatalog::shared().families();
    EXPECT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed, QFontDatabase::families());
    EXPECT_EQ(QtConcurrent::run([] { return platform::FontCatalog::shared().families(); }).result(), listed);
}
