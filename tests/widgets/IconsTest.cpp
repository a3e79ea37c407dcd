#include "support/TestSupport.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

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

TEST(IconsTest, EveryIconDrawsSomething) {
    const QStringList names = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
    ASSERT_GT(names.size(), 40);
    const int cell = 40, columns = 12;
    QImage sheet(columns * cell, int((names.size() + columns - 1) / columns) * cell,
                 QImage::Format_ARGB32_Premultiplied);
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

TEST(IconsTest, TrayIconStandsOutOnLightAndDarkPanels) {
    for (const QColor panel :
         {QColor(Qt::white), QColor(0xE8, 0xE8, 0xE8), QColor(0x20, 0x20, 0x20), QColor(Qt::black)}) {
        QImage shown(22, 22, QImage::Format_ARGB32_Premultiplied);
        shown.fill(panel);
        QPainter(&shown).drawPixmap(0, 0, Icons::trayIcon().pixmap(22, 22));
        // Enough of the icon differs clearly from the panel to read as a mark.
        int distinct = 0;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x) distinct += std::abs(qGray(shown.pixel(x, y)) - qGray(panel.rgb())) > 90;
        EXPECT_GT(distinct, 60) << panel.name().toStdString();
    }
}
