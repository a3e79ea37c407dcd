#include "editor_window/HexField.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(HexFieldTest, ReadsSixDigitsAfterTrimmingAndDroppingHashes) {
    EXPECT_EQ(HexField::parse(QStringLiteral("6e5bd8")), 0x6E5BD8u);
    EXPECT_EQ(HexField::parse(QStringLiteral("  #6E5BD8  ")), 0x6E5BD8u);
    EXPECT_EQ(HexField::parse(QStringLiteral("##6E5BD8")), 0x6E5BD8u);
    EXPECT_EQ(HexField::parse(QStringLiteral("+ABCDE")), 0x0ABCDEu);
    EXPECT_EQ(HexField::parse(QStringLiteral("-00000")), 0u);
    for (const char *bad : {"6E 5B D8", "6E5BD", "6E5BD80", "GGGGGG", "-00001", "6E5BD8\n", "+-1234"})
        EXPECT_FALSE(HexField::parse(QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(HexField::format(0xFF), QStringLiteral("#0000FF"));
}

TEST(HexFieldTest, EditsReportNewColorsAndFocusOutShowsTheValue) {
    HexField field(0x6E5BD8);
    EXPECT_EQ(field.text(), QStringLiteral("#6E5BD8"));
    QSignalSpy edited(&field, &HexField::valueEdited);
    field.textEdited(QStringLiteral("#6E5BD8")); // the same colour: nothing to report
    field.textEdited(QStringLiteral("ff0000"));
    field.textEdited(QStringLiteral("zz"));
    ASSERT_EQ(edited.size(), 1);
    EXPECT_EQ(edited[0][0].value<quint32>(), 0xFF0000u);
    EXPECT_EQ(field.value(), 0xFF0000u);

    field.setValue(0x00FF00); // not focused: shown at once
    EXPECT_EQ(field.text(), QStringLiteral("#00FF00"));
    field.setText(QStringLiteral("00ff"));
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(&field, &out);
    EXPECT_EQ(field.text(), QStringLiteral("#00FF00"));
}

TEST(HexFieldTest, TypedTextSurvivesOutsideChangesAndMenusWhileFocused) {
    HexField field(0x6E5BD8);
    field.show();
    QApplication::setActiveWindow(&field);
    field.setFocus();
    ASSERT_TRUE(field.hasFocus());
    field.setText(QStringLiteral("12"));
    field.setValue(0x00FF00); // a pick in the colour panel
    EXPECT_EQ(field.text(), QStringLiteral("12"));
    QFocusEvent menu(QEvent::FocusOut, Qt::PopupFocusReason); // the context menu, to paste
    QCoreApplication::sendEvent(&field, &menu);
    EXPECT_EQ(field.text(), QStringLiteral("12"));
    field.clearFocus();
    EXPECT_EQ(field.text(), QStringLiteral("#00FF00"));
}
