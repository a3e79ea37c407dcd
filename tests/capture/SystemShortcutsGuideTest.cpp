#include "capture/SystemShortcutsGuide.h"
#include "support/TestSupport.h"
#include "widgets/Keycap.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

TEST(SystemShortcutsGuideTest, RowsBadgesAndToggle) {
    SystemShortcutsGuide guide;
    guide.resize(460, 900);
    guide.show();
    EXPECT_FALSE(guide.isExpanded());
    EXPECT_FALSE(guide.list()->isVisible());
    EXPECT_EQ(guide.toggleButton()->text(), QStringLiteral("Atalhos reservados pelo macOS (21)"));

    QTest::mouseClick(guide.toggleButton(), Qt::LeftButton);
    EXPECT_TRUE(guide.isExpanded());
    EXPECT_TRUE(guide.list()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return guide.chevronAngle() == 90.0; }, 1000));

    const QList<QWidget *> rows = guide.list()->rows();
    ASSERT_EQ(rows.size(), 21);
    QStringList badged;
    for (QWidget *row : rows) {
        EXPECT_TRUE(row->isVisible());
        const auto caps = row->findChildren<KeycapRow *>();
        ASSERT_EQ(caps.size(), 1);
        // Badges are the only tooltipped children.
        for (QWidget *child : row->findChildren<QWidget *>())
            if (!child->toolTip().isEmpty()) badged << row->objectName();
    }
    EXPECT_EQ(badged, (QStringList{"20-1179648", "21-1179648", "23-1179648", "22-1179648"}));
    EXPECT_EQ(rows.at(6)->findChild<KeycapRow *>()->keys(), (QStringList{"⌃", "⌘", "Espaço"}));
    EXPECT_EQ(rows.at(0)->findChild<QLabel *>()->text(), QStringLiteral("Print da tela inteira"));
    guide.grab().save(testsupport::outputPath(QStringLiteral("reserved-guide.png")));

    QTest::mouseClick(guide.toggleButton(), Qt::LeftButton);
    EXPECT_FALSE(guide.list()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return guide.chevronAngle() == 0.0; }, 1000));
}
