#include "core/FontFamily.h"

#include <gtest/gtest.h>

TEST(FontFamilyTest, FamiliesAreNamedWithoutTheirFoundry) {
    EXPECT_EQ(FontFamily::withoutFoundry(QStringLiteral("Nimbus Sans [urw]")), QStringLiteral("Nimbus Sans"));
    EXPECT_EQ(FontFamily::withoutFoundry(QStringLiteral(" Nimbus Sans [URW ] ")), QStringLiteral("Nimbus Sans"));
    EXPECT_EQ(FontFamily::withoutFoundry(QStringLiteral("Inter")), QStringLiteral("Inter"));
    EXPECT_EQ(FontFamily::withoutFoundry(QStringLiteral("[urw]")), QStringLiteral("[urw]"));

    EXPECT_TRUE(FontFamily::same(QStringLiteral("nimbus sans "), QStringLiteral("Nimbus Sans [UKWN]")));
    EXPECT_TRUE(FontFamily::same(QStringLiteral("Nimbus Sans [urw]"), QStringLiteral("NIMBUS SANS [UKWN]")));
    EXPECT_FALSE(FontFamily::same(QStringLiteral("Nimbus Sans"), QStringLiteral("Nimbus Sans Narrow [urw]")));

    const QStringList listed{QStringLiteral("Nimbus Sans [UKWN]"),       QStringLiteral("Inter"),
                             QStringLiteral("Nimbus Sans [URW ]"),       QStringLiteral("Nimbus Sans [urw]"),
                             QStringLiteral("Nimbus Sans Narrow [urw]"), QStringLiteral("inter")};
    EXPECT_EQ(FontFamily::distinct(listed), (QStringList{QStringLiteral("Nimbus Sans"), QStringLiteral("Inter"),
                                                         QStringLiteral("Nimbus Sans Narrow")}));
}
