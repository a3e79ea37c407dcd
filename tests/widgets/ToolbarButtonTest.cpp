#include "widgets/ControlState.h"
#include "widgets/Theme.h"
#include "widgets/ToolbarButton.h"

#include <QFontMetrics>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// The button alone on a transparent image.
QImage grab(QWidget &widget) {
    widget.resize(widget.sizeHint());
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(ToolbarButtonTest, IsTwentyEightHighWithTheLabelTenFromEachSide) {
    ToolbarButton text(QStringLiteral("Excluir passo"));
    text.setSymbol(QStringLiteral("trash"));
    ToolbarButton record(QStringLiteral("Começar a gravar"), true);
    record.setRecordingDot(true);
    record.setShortcutText(QStringLiteral("Alt+Shift+T"));
    ToolbarButton symbolOnly;
    symbolOnly.setSymbol(QStringLiteral("arrow.up"));
    ToolbarButton busy(QStringLiteral("Procurando…"), true);
    busy.setSymbol(QStringLiteral("wand.and.stars"));
    busy.setBusy(true);
    for (const ToolbarButton *button : {&text, &record, &symbolOnly, &busy}) EXPECT_EQ(button->sizeHint().height(), 28);
    // A symbol, a space of 6 and the text, with 10 on either side.
    EXPECT_EQ(text.sizeHint().width(), 13 + 6 + QFontMetrics(text.font()).horizontalAdvance(text.text()) + 20);
    EXPECT_GT(record.sizeHint().width(), QFontMetrics(record.font()).horizontalAdvance(record.text()) + 20 + 9);
    EXPECT_EQ(symbolOnly.sizeHint(), QSize(33, 28));
}

TEST(ToolbarButtonTest, PlainIsOutlinedProminentIsNotAndPressingDimsBoth) {
    ToolbarButton plain(QStringLiteral("Novo"));
    ToolbarButton prominent(QStringLiteral("Concluir"), true);
    const QImage plainImage = grab(plain);
    const QImage prominentImage = grab(prominent);
    // Half-way down the left edge: the hairline over the raised fill, or the gradient itself.
    const int y = plainImage.height() / 2;
    EXPECT_GT(qGray(plainImage.pixel(0, y)), qGray(plainImage.pixel(3, y)));
    EXPECT_EQ(QColor(prominentImage.pixel(3, y)).blue(), Theme::accent().blue());
    EXPECT_NEAR(QColor(prominentImage.pixel(0, y)).lightness(), QColor(prominentImage.pixel(3, y)).lightness(), 3);

    prominent.setDown(true);
    const QImage pressed = grab(prominent);
    EXPECT_NEAR(qAlpha(pressed.pixel(6, y)), qRound(0.8 * 255), 2);
    prominent.setDown(false);
    EXPECT_EQ(qAlpha(grab(prominent).pixel(6, y)), 255);
    // Disabled, it is dimmed (and dimmed further while pressed).
    prominent.setEnabled(false);
    EXPECT_NEAR(qAlpha(grab(prominent).pixel(6, y)), qRound(ControlState::disabledOpacity * 255), 2);
    prominent.setEnabled(true);
    EXPECT_EQ(grab(prominent), prominentImage);
}
