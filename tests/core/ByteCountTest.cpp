#include "core/ByteCount.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(ByteCountTest, KilobytesBelowAMegabyteAndMegabytesFromThereOn) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(byteCountText(0), QStringLiteral("0 KB"));
    EXPECT_EQ(byteCountText(120), QStringLiteral("1 KB"));
    EXPECT_EQ(byteCountText(12'000), QStringLiteral("12 KB"));
    EXPECT_EQ(byteCountText(999'499), QStringLiteral("999 KB"));
    EXPECT_EQ(byteCountText(999'500), QStringLiteral("1,0 MB"));
    EXPECT_EQ(byteCountText(3'400'000), QStringLiteral("3,4 MB"));
    // A gigabyte and more stay in megabytes.
    EXPECT_EQ(byteCountText(1'234'567'890), QStringLiteral("1.234,6 MB"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(byteCountText(1'234'567), QStringLiteral("1.2 MB"));
    QLocale::setDefault(before);
}
