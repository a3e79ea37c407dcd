#include "widgets/SectionLabel.h"

#include <gtest/gtest.h>

TEST(SectionLabelTest, ShowsItsTextInUpperCase) {
    EXPECT_EQ(SectionLabel(QStringLiteral("Recentes")).shownText(), QStringLiteral("RECENTES"));
    EXPECT_EQ(SectionLabel(QStringLiteral("ações")).shownText(), QStringLiteral("AÇÕES"));
}
