#include "app/ButtonStyles.h"
#include "app/SmallViews.h"
#include "app/Theme.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(ThemeTest, PaletteValues) {
    EXPECT_EQ(Theme::bg(), QColor(11, 11, 15));
    EXPECT_EQ(Theme::ink().rgb(), qRgb(21, 18, 31));
    EXPECT_NEAR(Theme::line().alphaF(), 0.07, 0.005);
    EXPECT_EQ(Theme::accentSoft().rgb() & 0xFFFFFF, 0xC9BEFFu);
    EXPECT_NEAR(Theme::accentLine().alphaF(), 0.45, 0.005);
    const QLinearGradient g = Theme::accentGradient(QRectF(0, 0, 100, 40));
    EXPECT_EQ(g.start(), QPointF(0, 0));
    EXPECT_EQ(g.finalStop(), QPointF(100, 40));
    EXPECT_EQ(g.stops().last().second, QColor(241, 236, 251));
}

TEST(ThemeTest, ContinuousCornersStayInsideAndDegradeGracefully) {
    const QRectF r(10, 10, 200, 40);
    const QPainterPath path = Theme::continuousRoundedRect(r, 10);
    EXPECT_TRUE(r.adjusted(-0.01, -0.01, 0.01, 0.01).contains(path.boundingRect()));
    EXPECT_TRUE(path.contains(r.center()));
    EXPECT_FALSE(path.contains(QPointF(r.left() + 0.5, r.top() + 0.5))); // the corner itself is cut
    // A radius larger than the shape allows becomes a pill, not a broken path.
    const QPainterPath pill = Theme::continuousRoundedRect(QRectF(0, 0, 30, 20), 100);
    EXPECT_TRUE(pill.contains(QPointF(15, 10)));
    EXPECT_TRUE(Theme::continuousRoundedRect(QRectF(), 5).isEmpty());
}

TEST(ButtonStylesTest, FixedHeightAndWidthFollowingTheLabel) {
    PrimaryButton shortButton(QStringLiteral("Copiar"));
    PrimaryButton longButton(QStringLiteral("Copiar com um rótulo bem mais comprido"));
    SecondaryButton secondary(QStringLiteral("Salvar"));
    EXPECT_EQ(shortButton.sizeHint().height(), 40);
    EXPECT_EQ(secondary.sizeHint().height(), 40);
    EXPECT_GT(longButton.sizeHint().width(), shortButton.sizeHint().width());
    EXPECT_GE(shortButton.sizeHint().width(), QFontMetrics(shortButton.font()).horizontalAdvance(QStringLiteral("Copiar")) + 36);
    EXPECT_EQ(shortButton.pressAmount(), 0.0);
}

TEST(SmallViewsTest, KeycapMetrics) {
    const Keycap large(QStringLiteral("A"), Keycap::Size::large);
    EXPECT_EQ(large.sizeHint(), QSize(48, 48));
    const Keycap small(QStringLiteral("⌘"), Keycap::Size::small);
    EXPECT_GE(small.sizeHint().width(), 20);
    EXPECT_EQ(small.sizeHint().height(), 20);
    const Keycap wide(QStringLiteral("Espaço"), Keycap::Size::small);
    EXPECT_GT(wide.sizeHint().width(), 20);
    EXPECT_EQ(wide.sizeHint().width(),
              QFontMetrics(Theme::monospaceFont(11, QFont::Medium)).horizontalAdvance(QStringLiteral("Espaço")) + 12);

    KeycapRow row({QStringLiteral("⌘"), QStringLiteral("⌘")}, Keycap::Size::small);
    EXPECT_EQ(row.findChildren<Keycap *>().size(), 2);
    row.setKeys({});
    EXPECT_TRUE(row.findChildren<Keycap *>().isEmpty());
    EXPECT_EQ(Keycap::spacing(Keycap::Size::large), 10);
}

TEST(SmallViewsTest, SectionLabelIsUpperCaseAndBrandMarkFillsItsSquare) {
    EXPECT_EQ(SectionLabel(QStringLiteral("Recentes")).shownText(), QStringLiteral("RECENTES"));
    EXPECT_EQ(SectionLabel(QStringLiteral("ações")).shownText(), QStringLiteral("AÇÕES"));

    BrandMark mark(52);
    QImage image(52, 52, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    mark.render(&image);
    EXPECT_GT(qAlpha(image.pixel(26, 10)), 200); // the mark is drawn, not an empty resource
    image.save(testsupport::outputPath(QStringLiteral("brand-mark.png")));
}

#include "app/Icons.h"

TEST(IconsTest, TintedLookupByName) {
    EXPECT_TRUE(Icons::exists(QStringLiteral("doc.on.doc")));
    EXPECT_FALSE(Icons::exists(QStringLiteral("no.such.symbol")));
    EXPECT_TRUE(Icons::pixmap(QStringLiteral("no.such.symbol"), 16, Qt::white).isNull());

    const QImage red = Icons::pixmap(QStringLiteral("square.fill"), 24, QColor(255, 0, 0)).toImage();
    ASSERT_EQ(red.size(), QSize(24, 24));
    const QColor centre = red.pixelColor(12, 12);
    EXPECT_EQ(centre.red(), 255);
    EXPECT_EQ(centre.green(), 0);
    EXPECT_EQ(Icons::pixmap(QStringLiteral("plus"), 16, Qt::white, 2.0).size(), QSize(32, 32));
}

#include <QDir>

TEST(IconsTest, EveryIconDrawsSomething) {
    const QStringList names = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
    ASSERT_GT(names.size(), 40);
    const int cell = 40, columns = 12;
    QImage sheet(columns * cell, int((names.size() + columns - 1) / columns) * cell, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Theme::bg());
    QPainter p(&sheet);
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i].chopped(4);
        const QImage icon = Icons::pixmap(name, 24, Theme::text()).toImage();
        int opaque = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) opaque += qAlpha(icon.pixel(x, y)) > 64;
        EXPECT_GT(opaque, 10) << name.toStdString();
        p.drawImage((i % columns) * cell + 8, (i / columns) * cell + 8, icon);
    }
    p.end();
    sheet.save(testsupport::outputPath(QStringLiteral("icons.png")));
}
