#include "editor_window/ShortcutsSheet.h"

#include "platform/StringTables.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(ShortcutsSheetTest, ThreeColumnsOfTheEditorsKeysAndOnlyTheDimmedLayerCloses) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    int dismissed = 0;
    QWidget page;
    page.resize(1100, 760);
    ShortcutsSheet sheet([&] { ++dismissed; }, &page);
    page.show();
    sheet.setShown(true);

    QStringList columns;
    for (const SectionLabel *label : sheet.findChildren<SectionLabel *>()) columns << label->shownText();
    EXPECT_EQ(columns, QStringList({QStringLiteral("FERRAMENTAS"), QStringLiteral("AÇÕES"), QStringLiteral("ESTILO E VER")}));
    const QList<KeycapRow *> rows = sheet.findChildren<KeycapRow *>();
    EXPECT_EQ(rows.size(), 22);
    QList<QStringList> keys;
    for (const KeycapRow *row : rows) keys << row->keys();
    // A combination is one cap per key, as this keyboard names them, the modifiers in the desktop's order;
    // the preset digits are one cap.
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("Ctrl"), QStringLiteral("Shift"), QStringLiteral("C")})));
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("Ctrl"), QStringLiteral("Shift"), QStringLiteral("Z")})));
    const QStringList order{QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("Shift"), QStringLiteral("Super")};
    for (const QStringList &combination : keys) {
        qsizetype last = -1;
        for (const QString &key : combination) {
            const qsizetype at = order.indexOf(key);
            if (at < 0) continue;
            EXPECT_GT(at, last) << combination.join(QLatin1Char('+')).toStdString();
            last = at;
        }
    }
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("Delete")})));
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("1–9")})));
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("Espaço")})));
    // The card is centred; top-aligned columns start at one height.
    const QList<SectionLabel *> labels = sheet.findChildren<SectionLabel *>();
    EXPECT_EQ(labels[0]->mapTo(&sheet, QPoint()).y(), labels[2]->mapTo(&sheet, QPoint()).y());

    QTest::mouseClick(&sheet, Qt::LeftButton, {}, page.rect().center());
    EXPECT_EQ(dismissed, 0);
    QTest::mouseClick(&sheet, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(dismissed, 1);
    platform::StringTables::setCurrentLanguage({});
}
