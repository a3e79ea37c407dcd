#include "support/TestSupport.h"
#include "widgets/Buttons.h"
#include "widgets/SoftShadow.h"
#include "widgets/SymbolButton.h"
#include "widgets/Theme.h"
#include "widgets/ToolbarButton.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWindow>

#include <functional>

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

// A control a click would not act on says so: it is drawn dimmed, the same under the pointer, and the
// pointer over it is the arrow; enabled again, it looks and points as its enabled twin.
TEST(ButtonsTest, DisabledControlsLookAndPointDisabled) {
    QWidget page;
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, Theme::bg());
    page.setPalette(palette);
    auto *grid = new QGridLayout(&page);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setSpacing(24);
    const auto toolbarButton = [](const QString &text, const QString &symbol, bool prominent) {
        auto *button = new ToolbarButton(text, prominent);
        button->setSymbol(symbol);
        return button;
    };
    const QList<std::function<QAbstractButton *()>> makers = {
        [] { return new PrimaryButton(QStringLiteral("Começar a usar")); },
        [] { return new SecondaryButton(QStringLiteral("Liberar espaço")); },
        [&] { return toolbarButton(QString(), QStringLiteral("arrow.up"), false); },
        [&] { return toolbarButton(QStringLiteral("Excluir passo"), QStringLiteral("trash"), false); },
        [&] { return toolbarButton(QStringLiteral("Concluir"), QString(), true); },
        [] { return new SymbolButton(QStringLiteral("xmark"), QStringLiteral("Fechar"), 24, Theme::text()); },
    };
    QList<std::pair<QAbstractButton *, QAbstractButton *>> pairs;
    for (int row = 0; row < makers.size(); ++row) {
        QAbstractButton *enabled = makers[row](), *disabled = makers[row]();
        disabled->setEnabled(false);
        grid->addWidget(enabled, row, 0, Qt::AlignLeft);
        grid->addWidget(disabled, row, 1, Qt::AlignLeft);
        pairs.append(std::pair(enabled, disabled));
    }
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    const QImage shown = page.grab().toImage();
    shown.save(testsupport::outputPath(QStringLiteral("disabled-controls.png")));
    // How far a control's pixels stand out from the page around it.
    const QColor bg = Theme::bg();
    const auto ink = [&](const QImage &image, const QRect &rect) {
        qint64 sum = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                sum += std::abs(c.red() - bg.red()) + std::abs(c.green() - bg.green()) + std::abs(c.blue() - bg.blue());
            }
        return sum;
    };
    for (auto [enabled, disabled] : pairs) {
        const std::string name = enabled->metaObject()->className() + (" " + enabled->text().toStdString());
        EXPECT_LT(ink(shown, disabled->geometry()), ink(shown, enabled->geometry()) * 7 / 10) << name;
        EXPECT_EQ(enabled->cursor().shape(), Qt::PointingHandCursor) << name;
        EXPECT_EQ(disabled->cursor().shape(), Qt::ArrowCursor) << name;

        // The pointer over it changes nothing, and the window's pointer is the arrow.
        QTest::mouseMove(enabled, enabled->rect().center());
        EXPECT_EQ(page.windowHandle()->cursor().shape(), Qt::PointingHandCursor) << name;
        const QImage resting = disabled->grab().toImage();
        QTest::mouseMove(disabled, disabled->rect().center());
        EXPECT_EQ(disabled->grab().toImage(), resting) << name;
        EXPECT_EQ(page.windowHandle()->cursor().shape(), Qt::ArrowCursor) << name;

        QTest::mouseMove(&page, QPoint(2, 2));
        disabled->setEnabled(true);
        EXPECT_EQ(disabled->cursor().shape(), Qt::PointingHandCursor) << name;
        EXPECT_EQ(disabled->grab().toImage(), enabled->grab().toImage()) << name;
    }
}
