#include "app/AppRouter.h"
#include "app/CaptureCard.h"
#include "app/HomeView.h"
#include "capture/CaptureService.h"
#include "capture/FakeCaptureBackend.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "history/RecentThumbnail.h"
#include "history/RecentTileRow.h"
#include "history/RecentsStore.h"
#include "platform/Alert.h"
#include "platform/KeyEvent.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "widgets/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct HomeViewTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    ShortcutStore shortcuts{defaults};
    std::unique_ptr<RecentsStore> recents;
    testsupport::FixedSession session;
    std::unique_ptr<HomeView> home;
    QString title() const { return testsupport::namedChild<QLabel>(*home, "title")->text(); }
    CaptureCard *card(ShortcutAction action) const {
        return testsupport::namedChild<CaptureCard>(*home,
                                                    ("card:" + ShortcutActions::rawValue(action).toUtf8()).constData());
    }
    // The tiles of the recent captures, newest first.
    QList<RecentThumbnail *> tiles() const { return testsupport::namedChild<RecentTileRow>(*home, "tiles")->tiles(); }

    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        Settings::historyCompact.set(false, defaults);
        recents = std::make_unique<RecentsStore>(defaults, temp.file(QStringLiteral("Recentes")));
        home = std::make_unique<HomeView>(shortcuts, *recents, defaults);
        home->resize(1029, 755);
        home->show();
    }
    void TearDown() override {
        home.reset();
        platform::StringTables::setCurrentLanguage({});
    }
    static void hover(QWidget *widget, bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
            QApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(widget, &leave);
        }
    }
};

struct CountingAlerts : platform::AlertPresenter {
    int shown = 0;
    int run(const platform::Alert &) override { return ++shown, 0; }
};

} // namespace

TEST_F(HomeViewTest, TheTitleGreetsFollowsItsSettingsAndTicksOnTheMinute) {
    EXPECT_EQ(title(), QStringLiteral("Bom dia, Ana."));
    Settings::customName.set(QStringLiteral(" Ana Maria "), defaults);
    EXPECT_EQ(title(), QStringLiteral("Bom dia, Ana Maria."));
    Settings::greetingEnabled.set(false, defaults);
    EXPECT_EQ(title(), QStringLiteral("Pelicarta"));
    Settings::greetingEnabled.set(true, defaults);
    Settings::customName.reset(defaults);
    session.fullName.clear();
    session.at = QDateTime(QDate(2026, 3, 14), QTime(20, 0, 42, 500));
    home->hide();
    home->show();
    EXPECT_EQ(title(), QStringLiteral("Boa noite."));
    // The next refresh is at the start of the next minute by the greeting's clock.
    const QTimer *greetingTimer = testsupport::namedChild<QTimer>(*home, "greetingTimer");
    EXPECT_TRUE(greetingTimer->isActive());
    EXPECT_EQ(greetingTimer->interval(), 17500);
    home->hide();
    EXPECT_FALSE(greetingTimer->isActive());
}

// A name holding markup is greeted letter for letter: never bold or red, and its picture, a FIFO,
// never read (which would hang the launch).
TEST_F(HomeViewTest, ANameHoldingMarkupIsShownAsTyped) {
    const testsupport::MarkupWithFifo name(temp.path());
    Settings::customName.set(name.text(), defaults);
    EXPECT_EQ(title(), QStringLiteral("Bom dia, %1.").arg(name.text()));
    EXPECT_EQ(name.faultShowingIn(*home), QString());
}

TEST_F(HomeViewTest, CardsShareTheRowShowTheirShortcutsAndStartCaptures) {
    CaptureCard *area = card(ShortcutAction::captureArea);
    CaptureCard *full = card(ShortcutAction::captureFullScreen);
    ASSERT_TRUE(area && full);
    const QRectF first = area->cardRect().translated(area->mapTo(home.get(), QPoint()));
    const QRectF last = full->cardRect().translated(full->mapTo(home.get(), QPoint()));
    EXPECT_NEAR(last.right() - first.left(), 680, 1);
    EXPECT_NEAR(first.width(), (680 - 2 * 14) / 3.0, 1);
    EXPECT_EQ(first.height(), 120);
    EXPECT_EQ(area->toolTip(), QStringLiteral("Capturar área, atalho Alt+Shift+A"));
    shortcuts.setShortcut(ShortcutAction::captureWindow,
                          Shortcut{platform::KeyCode::j, platform::ModifierFlag::command, QStringLiteral("J")});
    EXPECT_EQ(card(ShortcutAction::captureWindow)->toolTip(), QStringLiteral("Capturar janela, atalho Ctrl+J"));

    // Under the pointer the highlighted card keeps its accent border and grows; the others light theirs.
    hover(area, true);
    hover(full, true);
    EXPECT_EQ(area->borderColor(), Theme::accentLine());
    EXPECT_EQ(full->borderColor(), Theme::lineStrong());
    testsupport::finishAnimations(*area);
    EXPECT_TRUE(qFuzzyCompare(area->scale(), 1.01));
    hover(full, false);
    EXPECT_EQ(full->borderColor(), Theme::line());

    FakeCaptureBackend backend;
    CountingAlerts alerts;
    CaptureBackend::setSharedForTesting(&backend);
    platform::AlertPresenter::setSharedForTesting(&alerts);
    CaptureService::resetForTesting();
    QTest::mouseClick(area, Qt::LeftButton, {}, area->rect().center());
    ASSERT_TRUE(testsupport::becomes([&] { return backend.overlayMode.has_value(); })); // starts on the next turn
    EXPECT_EQ(backend.overlayMode, CaptureBackend::OverlayMode::area);
    backend.pick(std::nullopt);
    CaptureBackend::setSharedForTesting(nullptr);
    platform::AlertPresenter::setSharedForTesting(nullptr);
}

TEST_F(HomeViewTest, RecentsShowAPlaceholderOrTilesWithALinkToTheHistory) {
    auto *placeholder = testsupport::namedChild<QWidget>(*home, "recentsPlaceholder");
    auto *historyLink = testsupport::namedChild<QAbstractButton>(*home, "historyLink");
    EXPECT_TRUE(placeholder->isVisible());
    EXPECT_EQ(placeholder->size(), QSize(680, 80));
    EXPECT_FALSE(historyLink->isVisible());
    EXPECT_TRUE(tiles().isEmpty());

    ASSERT_FALSE(recents->add(testsupport::filledImage(300, 200, Qt::red)).isEmpty());
    EXPECT_FALSE(placeholder->isVisible());
    ASSERT_TRUE(historyLink->isVisible());
    ASSERT_EQ(tiles().size(), 1);
    RecentThumbnail *tile = tiles().first();
    QCoreApplication::sendPostedEvents(); // laid out
    EXPECT_EQ(tile->size(), QSize(116, 80));
    // At the leading edge, under the section's heading.
    EXPECT_EQ(tile->mapTo(home.get(), QPoint()).x(),
              historyLink->mapTo(home.get(), QPoint()).x() + historyLink->width() - 680);
    historyLink->click();
    EXPECT_EQ(AppRouter::shared().page(), AppRouter::Page::history);
    AppRouter::shared().setPage(AppRouter::Page::home);
}
