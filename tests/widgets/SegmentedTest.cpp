#include "widgets/Segmented.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

// The looks whose row takes the keys (the brand page's preview switch, the history's periods): a click
// or an arrow key chooses, the row shows what its owner sets, and setting from code announces nothing.
TEST(SegmentedTest, ClicksAndArrowKeysChooseInTheThumbAndFittedLooks) {
    for (SegmentedRow::Look look : {SegmentedRow::Look::thumb, SegmentedRow::Look::fitted}) {
        SCOPED_TRACE(int(look));
        Segmented<int> row(QList<int>{1, 2}, [](int v) { return QString::number(v); });
        row.setLook(look);
        row.resize(180, row.sizeHint().height());
        QList<int> chosen;
        row.onChosen([&](int v) {
            chosen << v;
            row.setValue(v);
        });
        row.setValue(1);
        row.show();
        QApplication::setActiveWindow(&row);

        QTest::mouseClick(testsupport::namedChild<QAbstractButton>(row, "segment1"), Qt::LeftButton);
        EXPECT_EQ(row.value(), 2);
        EXPECT_EQ(QApplication::focusWidget(), &row); // the row, not the item, takes the keys
        QTest::keyClick(&row, Qt::Key_Right);         // already the last
        EXPECT_EQ(chosen, QList<int>{2});

        QTest::keyClick(&row, Qt::Key_Left);
        EXPECT_EQ(row.value(), 1);
        row.setValue(2);
        EXPECT_EQ(chosen, (QList<int>{2, 1}));
    }
}
