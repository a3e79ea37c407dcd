#include "core/ByteCount.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(ByteCountTest, KilobytesAndMegabytesOfAThousand) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(byteCountText(120), QStringLiteral("1 KB"));
    EXPECT_EQ(byteCountText(873'400), QStringLiteral("873 KB"));
    EXPECT_EQ(byteCountText(999'499), QStringLiteral("999 KB"));
    EXPECT_EQ(byteCountText(999'500), QStringLiteral("1,0 MB"));
    EXPECT_EQ(byteCountText(1'234'567), QStringLiteral("1,2 MB"));
    QLocale::setDefault(before);
}
