#include "core/Settings.h"
#include "history/RecentThumbnail.h"
#include "history/RecentsStore.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct RecentThumbnailTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    std::unique_ptr<RecentsStore> store;

    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        Settings::historyCompact.set(false, defaults);
        store = std::make_unique<RecentsStore>(defaults, temp.file(QStringLiteral("Recentes")));
    }
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
    RecentCapture added(const QImage &image) {
        EXPECT_FALSE(store->add(image).isEmpty());
        return store->items().first();
    }
};

// The picture of a 1000 × 200 capture whose middle is blue and whose far ends are red.
QImage wideCapture() {
    QImage image = testsupport::filledImage(1000, 200, Qt::red);
    QPainter(&image).fillRect(100, 0, 800, 200, Qt::blue);
    return image;
}

} // namespace

TEST_F(RecentThumbnailTest, TheThumbnailFillsTheTileWithoutBands) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const RecentCapture item{temp.file(QStringLiteral("wide.png")), QDateTime(QDate(2026, 3, 14), QTime(14, 5)),
                             wideCapture()};
    RecentThumbnail tile(*store, item, 80);
    EXPECT_EQ(tile.size(), QSize(116, 80));
    EXPECT_EQ(RecentThumbnail(*store, item, 58).size(), QSize(84, 58));
    EXPECT_EQ(tile.toolTip(), QStringLiteral("Abrir no Editor"));
    EXPECT_EQ(tile.accessibleName(), QStringLiteral("Captura de 14:05. Abrir no Editor."));
    QLocale::setDefault(QLocale::system());

    // Cut at the sides, filling the whole height: blue all along a line through the middle.
    const QImage shown = tile.grab().toImage();
    for (int x = 4; x < 112; x += 9) EXPECT_EQ(QColor(shown.pixel(x, 40)), QColor(Qt::blue)) << x;
    for (int y = 4; y < 76; y += 8) EXPECT_EQ(QColor(shown.pixel(58, y)), QColor(Qt::blue)) << y;
}

TEST_F(RecentThumbnailTest, MenuAndDeleteButtonActOnTheStore) {
    const RecentCapture item = added(testsupport::filledImage(60, 40, Qt::green));
    RecentThumbnail tile(*store, item, 80);
    tile.move(400, 400); // away from the pointer: no enter and leave but the test's own
    tile.show();
    QStringList actions;
    std::unique_ptr<QMenu> menu(tile.createMenu(nullptr));
    for (QAction *action : menu->actions())
        actions.append(action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(actions,
              (QStringList{QStringLiteral("Abrir no Editor"), QStringLiteral("Copiar original"),
                           QStringLiteral("Mostrar na pasta"), QStringLiteral("—"), QStringLiteral("Excluir")}));

    // The delete button shows only under the pointer, and deletes without opening the capture.
    auto *remove = testsupport::namedChild<QAbstractButton>(tile, "deleteButton");
    EXPECT_FALSE(remove->isVisible());
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(&tile, &enter);
    EXPECT_TRUE(remove->isVisible());
    EXPECT_EQ(remove->toolTip(), QStringLiteral("Excluir do histórico"));
    QSignalSpy opened(store.get(), &RecentsStore::editorRequested);
    remove->click();
    EXPECT_FALSE(QFile::exists(item.path));
    EXPECT_TRUE(store->items().isEmpty());
    EXPECT_EQ(opened.size(), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&tile, &leave);
    testsupport::finishAnimations(tile); // the button fades out, then hides
    EXPECT_FALSE(remove->isVisible());
}

TEST_F(RecentThumbnailTest, AClickOpensTheCaptureOrDropsAFileThatIsGone) {
    const RecentCapture kept = added(testsupport::filledImage(60, 40, Qt::green));
    RecentThumbnail tile(*store, kept, 80);
    QSignalSpy opened(store.get(), &RecentsStore::editorRequested);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(58, 40));
    ASSERT_TRUE(testsupport::received(opened));
    EXPECT_EQ(opened.first().at(1).toString(), kept.path);

    ASSERT_TRUE(QFile::remove(kept.path));
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(58, 40));
    EXPECT_TRUE(testsupport::becomes([&] { return store->items().isEmpty(); }));
    EXPECT_EQ(opened.size(), 1);
}
