#include "capture/SystemShortcutsGuide.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "widgets/Keycap.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

TEST(SystemShortcutsGuideTest, RowsBadgesAndToggle) {
    SystemShortcutsGuide guide;
    guide.resize(460, 900);
    guide.show();
    EXPECT_FALSE(guide.isExpanded());
    EXPECT_FALSE(testsupport::namedChild<SystemShortcutsList>(guide, "shortcutsList")->isVisible());
    auto *toggle = testsupport::namedChild<QAbstractButton>(guide, "toggleButton");
    EXPECT_EQ(toggle->text(), QStringLiteral("Atalhos reservados pelo sistema (23)"));

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(guide.isExpanded());
    EXPECT_TRUE(testsupport::namedChild<SystemShortcutsList>(guide, "shortcutsList")->isVisible());
    testsupport::finishAnimations(guide); // the chevron turns
    EXPECT_EQ(guide.chevronAngle(), 90.0);

    // Each row is named after its combination's id, key and modifiers.
    const QList<QWidget *> rows = testsupport::namedChild<SystemShortcutsList>(guide, "shortcutsList")
                                      ->findChildren<QWidget *>(QRegularExpression(QStringLiteral("^\\d+-\\d+$")),
                                                                Qt::FindDirectChildrenOnly);
    ASSERT_EQ(rows.size(), 23);
    QStringList badged, tips;
    for (QWidget *row : rows) {
        EXPECT_TRUE(row->isVisible());
        const auto caps = row->findChildren<KeycapRow *>();
        ASSERT_EQ(caps.size(), 1);
        // Badges are the only tooltipped children.
        for (QWidget *child : row->findChildren<QWidget *>())
            if (!child->toolTip().isEmpty()) {
                badged << row->objectName();
                tips << child->toolTip();
            }
    }
    // The desktop's screenshot keys, Print with nothing, Shift, Alt or Ctrl.
    EXPECT_EQ(badged, (QStringList{"105-0", "105-131072", "105-524288", "105-1048576"}));
    // Freed in the desktop's own keyboard settings ("Ajustes" is Pelicarta's page).
    EXPECT_EQ(tips.first(), QStringLiteral("Desligue nas configurações de teclado do sistema para usar no Pelicarta"));
    EXPECT_EQ(rows.at(11)->findChild<KeycapRow *>()->keys(), (QStringList{"Ctrl", "Alt", "Del"}));
    EXPECT_EQ(rows.at(0)->findChild<QLabel *>()->text(), QStringLiteral("Captura de tela"));
    guide.grab().save(testsupport::outputPath(QStringLiteral("reserved-guide.png")));

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(testsupport::namedChild<SystemShortcutsList>(guide, "shortcutsList")->isVisible());
    testsupport::finishAnimations(guide);
    EXPECT_EQ(guide.chevronAngle(), 0.0);
}
