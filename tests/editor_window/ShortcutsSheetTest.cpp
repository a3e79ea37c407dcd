#include "editor_window/ShortcutsSheet.h"

#include "platform/StringTables.h"
#include "support/Waiting.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"

#include <QHash>
#include <QLabel>
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
    EXPECT_EQ(columns,
              QStringList({QStringLiteral("FERRAMENTAS"), QStringLiteral("AÇÕES"), QStringLiteral("ESTILO E VER")}));
    const QList<KeycapRow *> rows = sheet.findChildren<KeycapRow *>();
    EXPECT_EQ(rows.size(), 23);
    QList<QStringList> keys;
    for (const KeycapRow *row : rows) keys << row->keys();
    // A combination is one cap per key, as this keyboard names them, the modifiers in the desktop's order;
    // the preset digits are one cap.
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("Ctrl"), QStringLiteral("Shift"), QStringLiteral("C")})));
    EXPECT_TRUE(keys.contains(QStringList({QStringLiteral("Ctrl"), QStringLiteral("Shift"), QStringLiteral("Z")})));
    const QStringList order{QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("Shift"),
                            QStringLiteral("Super")};
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

// What the sheet paints, at rest over the editor's page at the default and the smallest window: the
// whole card, each cap's label on its cap, nothing below the card, and each row's text a label of its
// own in either language.
TEST(ShortcutsSheetTest, EveryCapShowsItsLabelInsideTheCard) {
    for (const QSize size : {QSize(1240 - 210, 800), QSize(1000 - 210, 660)}) { // the windows less the sidebar
        for (const auto &[language, home] : {std::pair{"pt-BR", "Início"}, std::pair{"en", "Home"}}) {
            platform::StringTables::setCurrentLanguage(QString::fromLatin1(language));
            QWidget page;
            page.resize(size);
            QPalette palette = page.palette();
            palette.setColor(QPalette::Window, Theme::bg());
            page.setPalette(palette);
            page.setAutoFillBackground(true);
            ShortcutsSheet sheet({}, &page);
            page.show();
            sheet.setShown(true);
            testsupport::finishAnimations(sheet); // at rest: faded in
            const QImage shown = page.grab().toImage();

            // The caps' ink is the lightest thing on the dimmed page besides the card's texts.
            const auto inked = [&shown](const QRect &area) {
                int count = 0;
                for (int y = std::max(0, area.top()); y <= std::min(shown.height() - 1, area.bottom()); ++y)
                    for (int x = std::max(0, area.left()); x <= std::min(shown.width() - 1, area.right()); ++x)
                        count += shown.pixelColor(x, y).lightness() > 120;
                return count;
            };
            const QList<Keycap *> caps = sheet.findChildren<Keycap *>();
            ASSERT_FALSE(caps.isEmpty());
            for (const Keycap *cap : caps) {
                const QRect face(cap->mapTo(&page, QPoint()), Keycap::faceSize(cap->label(), Keycap::Size::small));
                EXPECT_GE(inked(face.adjusted(2, 2, -2, -2)), 3) << language << " " << qPrintable(cap->label());
            }
            // The card holds the columns that hold the rows of caps.
            const QWidget *card = caps.first()->parentWidget()->parentWidget()->parentWidget();
            EXPECT_TRUE(page.rect().contains(QRect(card->mapTo(&page, QPoint()), card->size()))) << language;
            const int cardBottom = card->mapTo(&page, QPoint(0, card->height())).y();
            EXPECT_EQ(inked(QRect(0, cardBottom, page.width(), page.height() - cardBottom)), 0) << language;

            // In each column the texts start at one x, clear of the widest keys.
            QHash<const QWidget *, int> textLeft, capsRight;
            for (const KeycapRow *row : sheet.findChildren<KeycapRow *>()) {
                const QWidget *column = row->parentWidget();
                capsRight[column] = std::max(capsRight.value(column), row->geometry().right());
            }
            QStringList texts;
            for (const QLabel *label : sheet.findChildren<QLabel *>()) {
                texts << label->text();
                if (!capsRight.contains(label->parentWidget())) continue; // the header
                const int left = textLeft.value(label->parentWidget(), label->x());
                EXPECT_EQ(label->x(), left) << qPrintable(label->text());
                EXPECT_GT(left, capsRight.value(label->parentWidget()) + 4) << qPrintable(label->text());
                textLeft[label->parentWidget()] = left;
            }
            EXPECT_TRUE(texts.contains(QString::fromUtf8(home))) << language;
            EXPECT_TRUE(texts.contains(QStringLiteral("Editor"))) << language;
            for (const QString &text : texts) EXPECT_FALSE(text.contains(QStringLiteral("Ctrl"))) << qPrintable(text);
        }
    }
    platform::StringTables::setCurrentLanguage({});
}
