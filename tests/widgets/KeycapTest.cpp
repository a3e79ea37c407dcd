#include "widgets/Keycap.h"

#include <gtest/gtest.h>

TEST(KeycapTest, CapsFitTheirLabelAndRowsFollowTheirKeys) {
    const Keycap narrow(QStringLiteral("⌘"), Keycap::Size::small);
    const Keycap wide(QStringLiteral("Espaço"), Keycap::Size::small);
    EXPECT_GT(wide.sizeHint().width(), narrow.sizeHint().width());
    EXPECT_EQ(wide.sizeHint(), Keycap::faceSize(QStringLiteral("Espaço"), Keycap::Size::small));

    // One cap per label, repeats included; new keys replace the old caps.
    KeycapRow row({QStringLiteral("⌘"), QStringLiteral("⌘")}, Keycap::Size::small);
    EXPECT_EQ(row.findChildren<Keycap *>().size(), 2);
    row.setKeys({QStringLiteral("⌥"), QStringLiteral("⇧"), QStringLiteral("A")});
    EXPECT_EQ(row.findChildren<Keycap *>().size(), 3);
    row.setKeys({});
    EXPECT_TRUE(row.findChildren<Keycap *>().isEmpty());
}
