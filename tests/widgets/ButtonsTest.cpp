#include "widgets/Buttons.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

TEST(ButtonsTest, LabelsAreNeverCutShort) {
    PrimaryButton shortButton(QStringLiteral("Copiar"));
    PrimaryButton longButton(QStringLiteral("Copiar com um rótulo bem mais comprido"));
    SecondaryButton secondary(QStringLiteral("Salvar com um rótulo comprido"));
    EXPECT_GT(longButton.sizeHint().width(), shortButton.sizeHint().width());
    for (const QPushButton *button : {static_cast<QPushButton *>(&longButton), static_cast<QPushButton *>(&secondary)})
        EXPECT_GT(button->sizeHint().width(), QFontMetrics(button->font()).horizontalAdvance(button->text()));
}
