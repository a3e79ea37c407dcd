#include "platform/UserAccount.h"

#include <gtest/gtest.h>

TEST(UserAccountTest, TheFullNameEndsAtTheFirstComma) {
    EXPECT_EQ(platform::fullNameFromGecos("Ana Maria Souza,Sala 3,555-0100,"), QStringLiteral("Ana Maria Souza"));
    EXPECT_EQ(platform::fullNameFromGecos("Ana Souza"), QStringLiteral("Ana Souza"));
    EXPECT_EQ(platform::fullNameFromGecos(",,,"), QString());
    EXPECT_EQ(platform::fullNameFromGecos(nullptr), QString());
}
