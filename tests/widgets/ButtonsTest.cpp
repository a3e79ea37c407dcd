#include "widgets/Buttons.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(ButtonsTest, LabelsAreNeverCutShort) {
    PrimaryButton shortButton(QStringLiteral("Copiar"));
    PrimaryButton longButton(QStringLiteral("Copiar com um rótulo bem mais comprido"));
    SecondaryButton secondary(QStringLiteral("Salvar com um rótulo comprido"));
    EXPECT_GT(longButton.sizeHint().width(), shortButton.sizeHint().width());
    for (const QPushButton *button : {static_cast<QPushButton *>(&longButton), static_cast<QPushButton *>(&secondary)})
        EXPECT_GT(button->sizeHint().width(), QFontMetrics(button->font()).horizontalAdvance(button->text()));
}

// The primary button's shadow is the one shadow painter's: the same tint and fall-off as any panel's.
TEST(ButtonsTest, PrimaryShadowComesFromTheShadowPainter) {
    QWidget page;
    page.setFixedSize(200, 120);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, Qt::black);
    page.setPalette(palette);
    auto *button = new PrimaryButton(QStringLiteral("Copiar"), &page);
    button->setGeometry(50, 40, 100, 40);
    const QImage shown = page.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QImage expected(200, 120, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::black);
    {
        QPainter p(&expected);
        p.setRenderHint(QPainter::Antialiasing);
        SoftShadow::paint(p, Theme::continuousRoundedRect(QRectF(50, 40, 100, 40), 10), Theme::rgb(0xC9BEFF, 0.25), 10,
                          {0, 4});
    }
    // Below and beside the button, where only the shadow is.
    for (const QPoint at : {QPoint(100, 84), QPoint(100, 90), QPoint(46, 60), QPoint(100, 98)}) {
        const QColor a = shown.pixelColor(at), b = expected.pixelColor(at);
        EXPECT_NEAR(a.red(), b.red(), 3) << at.x() << "," << at.y();
        EXPECT_NEAR(a.blue(), b.blue(), 3) << at.x() << "," << at.y();
    }
    EXPECT_GT(shown.pixelColor(100, 86).blue(), 10) << "no shadow under the button";
}
