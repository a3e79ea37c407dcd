#include "app/OnboardingView.h"
#include "capture/FakeHotkeys.h"
#include "capture/HotkeyManager.h"
#include "capture/ShortcutRecorder.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "platform/KeyEvent.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/FakeScreenAccess.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "widgets/BrandMark.h"
#include "widgets/Buttons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct OnboardingViewTest : testing::Test {
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    ShortcutStore shortcuts{defaults};
    HotkeyManager hotkeys{shortcuts, std::make_unique<FakeHotkeys>()};
    testsupport::FixedSession session;
    testsupport::FakeScreenAccess screen;
    std::unique_ptr<OnboardingView> view;
    // The step on screen (the one going away is named apart while it fades).
    QWidget *stepWidget() const { return testsupport::namedChild<QWidget>(*view, "step"); }
    QString title() const { return testsupport::namedChild<QLabel>(*stepWidget(), "stepTitle")->text(); }
    // What the dots say to screen readers: "Passo 2 de 3".
    QString dotsLabel() const { return testsupport::namedChild<QWidget>(*view, "dots")->accessibleName(); }
    // The permission step's hint and whether it shows the permission granted.
    QString permissionHint() const { return testsupport::namedChild<QLabel>(*stepWidget(), "permissionHint")->text(); }
    bool showsPermissionGranted() const {
        return !testsupport::namedChild<QWidget>(*stepWidget(), "permissionGranted")->isHidden();
    }
    // The shortcut step's recorder (null on other steps) and why the last reset was refused (empty when none was).
    ShortcutRecorder *recorder() const { return stepWidget()->findChild<ShortcutRecorder *>(); }
    QString shortcutResetRefusal() const {
        auto *refusal = testsupport::namedChild<QLabel>(*stepWidget(), "shortcutRefusal");
        return refusal->isHidden() ? QString() : refusal->text();
    }

    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        session.fullName.clear();
    }
    void TearDown() override {
        view.reset();
        platform::StringTables::setCurrentLanguage({});
    }
    void open() {
        view = std::make_unique<OnboardingView>(shortcuts, hotkeys, defaults);
        view->resize(1240, 800);
        view->show();
    }
    void pressReturn() { QTest::keyClick(view.get(), Qt::Key_Return); }
};

} // namespace

TEST_F(OnboardingViewTest, StepsGreetAskForTheScreenAndEndOnlyOnTheLastOne) {
    open();
    auto *back = testsupport::namedChild<QAbstractButton>(*view, "backButton");
    auto *primary = testsupport::namedChild<QAbstractButton>(*view, "primaryButton");
    EXPECT_EQ(title(), QStringLiteral("Olá!"));
    EXPECT_FALSE(back->isEnabled());
    EXPECT_EQ(primary->text(), QStringLiteral("Começar"));
    testsupport::finishAnimations(*view); // the step has slid in
    view->grab().save(testsupport::outputPath(QStringLiteral("onboarding-welcome.png")));

    pressReturn();
    EXPECT_EQ(view->step(), 1);
    EXPECT_EQ(title(), QStringLiteral("Permita o acesso à tela"));
    EXPECT_EQ(dotsLabel(), QStringLiteral("Passo 2 de 3"));
    EXPECT_TRUE(back->isEnabled());
    // Refused: the hint keeps its line with a single space until the button is clicked.
    EXPECT_FALSE(showsPermissionGranted());
    EXPECT_EQ(permissionHint(), QStringLiteral(" "));
    testsupport::namedChild<QAbstractButton>(*stepWidget(), "permissionButton")->click();
    EXPECT_EQ(permissionHint(), QStringLiteral("Depois de ligar, o sistema pode pedir para reabrir o app."));
    EXPECT_EQ(screen.requests, 1);
    EXPECT_EQ(screen.settingsOpened, 1); // not granted at once: the settings open
    // Granted meanwhile: the next poll shows it; the step stays.
    screen.granted = true;
    EXPECT_TRUE(testsupport::becomes([&] { return showsPermissionGranted(); }));
    EXPECT_EQ(view->step(), 1);

    // Back and forward again: a fresh step, read at once.
    view->goBack();
    session.fullName = QStringLiteral("Ana Souza");
    Settings::customName.set(QStringLiteral("Ana"), defaults);
    back->click(); // disabled on the first step
    EXPECT_EQ(view->step(), 0);
    view->advance();
    view->goBack();
    EXPECT_EQ(title(), QStringLiteral("Olá, Ana."));
    primary->click();
    EXPECT_TRUE(showsPermissionGranted());
    pressReturn();
    EXPECT_EQ(primary->text(), QStringLiteral("Começar a usar"));
    EXPECT_FALSE(Settings::hasCompletedOnboarding.isStored(defaults));
    pressReturn();
    EXPECT_TRUE(Settings::hasCompletedOnboarding.value(defaults));
}

// X11 asks no permission to read the screen: the flow goes from the welcome to the shortcut, and the dots
// count the two steps shown.
TEST_F(OnboardingViewTest, APlatformThatAsksNoPermissionSkipsItsStep) {
    screen.needed = false;
    open();
    EXPECT_EQ(view->stepCount(), 2);
    EXPECT_EQ(dotsLabel(), QStringLiteral("Passo 1 de 2"));
    pressReturn();
    EXPECT_EQ(view->step(), 1);
    EXPECT_EQ(title(), QStringLiteral("Seu atalho de captura"));
    EXPECT_NE(recorder(), nullptr);
    EXPECT_EQ(stepWidget()->findChild<QAbstractButton *>(QStringLiteral("permissionButton")), nullptr);
    EXPECT_EQ(dotsLabel(), QStringLiteral("Passo 2 de 2"));
    EXPECT_EQ(testsupport::namedChild<QAbstractButton>(*view, "primaryButton")->text(),
              QStringLiteral("Começar a usar"));
    view->goBack();
    EXPECT_EQ(view->step(), 0);
    view->advance();
    view->advance();
    EXPECT_TRUE(Settings::hasCompletedOnboarding.value(defaults));
    EXPECT_EQ(screen.requests, 0);
}

// Each step slides in while the one before fades out, both painted at every frame: nothing a step draws
// may paint into a picture that is already being painted (the test main fails a test on Qt's painter
// warnings). The welcome's mark keeps its glow.
TEST_F(OnboardingViewTest, StepsPaintCleanlyWhileTheySlide) {
    screen.needed = false;
    open();
    const auto slideAndSettle = [&] {
        view->grab(); // mid-slide: both steps under their fades
        testsupport::finishAnimations(*view);
        return view->grab().toImage();
    };
    const QImage welcome = slideAndSettle();
    const auto *mark = stepWidget()->findChild<BrandMark *>();
    ASSERT_NE(mark, nullptr);
    const QRect markRect(mark->mapTo(view.get(), QPoint(0, 0)), mark->size());
    pressReturn();
    slideAndSettle();
    view->goBack();
    slideAndSettle();
    pressReturn();
    slideAndSettle();

    // Just under the mark the glow lightens the card; as far to the side it is the card's own colour.
    const int y = markRect.bottom() + 8;
    const QColor glow = welcome.pixelColor(markRect.center().x(), y);
    const QColor card = welcome.pixelColor(markRect.center().x() - 160, y);
    EXPECT_GT(glow.lightness(), card.lightness() + 8) << glow.name().toStdString() << " " << card.name().toStdString();
}

// The welcome greets a name holding markup letter for letter, its picture (a FIFO) unread.
TEST_F(OnboardingViewTest, ANameHoldingMarkupIsShownAsTyped) {
    const testsupport::MarkupWithFifo name(temp.path());
    Settings::customName.set(name.text(), defaults);
    open();
    EXPECT_EQ(title(), QStringLiteral("Olá, %1.").arg(name.text()));
    EXPECT_EQ(name.faultShowingIn(*view), QString());
}

TEST_F(OnboardingViewTest, TheShortcutStepRecordsResetsAndKeepsReturnWhileRecording) {
    open();
    view->advance();
    view->advance();
    ASSERT_NE(recorder(), nullptr);
    QAbstractButton *reset = testsupport::namedChild<QAbstractButton>(*stepWidget(), "shortcutResetButton");
    EXPECT_FALSE(reset->isEnabled());
    // Only the very default counts as the default: another label on the same key does not.
    shortcuts.setShortcut(ShortcutAction::captureArea, Shortcut{0, 0xA0000, QStringLiteral("X")});
    EXPECT_TRUE(reset->isEnabled());
    shortcuts.setShortcut(ShortcutAction::captureArea, Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_FALSE(reset->isEnabled());

    // While recording, Return goes to the recorder, not to the flow.
    QTest::mouseClick(testsupport::namedChild<QAbstractButton>(*recorder(), "shortcutField"), Qt::LeftButton);
    pressReturn();
    EXPECT_EQ(view->step(), 2);
    EXPECT_TRUE(recorder()->isRecording());
    QTest::keyClick(view.get(), Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(recorder()->isRecording());
    EXPECT_EQ(shortcuts.shortcut(ShortcutAction::captureArea),
              (Shortcut{platform::KeyCode::p, 0xA0000, QStringLiteral("P")}));
    EXPECT_TRUE(defaults.contains(QStringLiteral("shortcut.captureArea")));
    EXPECT_TRUE(reset->isEnabled());
    testsupport::finishAnimations(*view);
    view->grab().save(testsupport::outputPath(QStringLiteral("onboarding-shortcut.png")));

    // While another action holds ⌥⇧A the reset is refused, and the step says why.
    shortcuts.setShortcut(ShortcutAction::captureWindow, Shortcut::defaultFor(ShortcutAction::captureArea));
    reset->click();
    EXPECT_EQ(shortcuts.shortcut(ShortcutAction::captureArea).key, QStringLiteral("P"));
    EXPECT_EQ(shortcutResetRefusal(), QStringLiteral("Já está em uso em “Capturar janela”."));
    shortcuts.setShortcut(ShortcutAction::captureWindow, Shortcut::defaultFor(ShortcutAction::captureWindow));
    EXPECT_EQ(shortcutResetRefusal(), QString());
    reset->click();
    EXPECT_EQ(shortcuts.shortcut(ShortcutAction::captureArea), Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_FALSE(defaults.contains(QStringLiteral("shortcut.captureArea")));
    EXPECT_FALSE(reset->isEnabled());
}

// The list of shortcuts to avoid opens inside the screen's free area wherever its link lies (a laptop's
// screen is short): below the link where there is room, above it otherwise, else as tall as the room
// there is with its list scrolling; never over the link. Its scroll bar has no arrow buttons.
TEST_F(OnboardingViewTest, TheReservedShortcutsListStaysInsideTheScreen) {
    open();
    view->advance();
    view->advance();
    testsupport::finishAnimations(*view);
    QAbstractButton *link = nullptr;
    for (auto *button : stepWidget()->findChildren<QAbstractButton *>())
        if (button->text() == QStringLiteral("Quais atalhos evitar?")) link = button;
    ASSERT_NE(link, nullptr);
    const QRect free = view->screen()->availableGeometry();
    const auto linkRect = [&] { return QRect(link->mapToGlobal(QPoint(0, 0)), link->size()); };
    // The link near the top, near the bottom and in the middle of the screen.
    for (const int linkTop : {free.top() + 60, free.bottom() - 80, free.center().y() - 10}) {
        SCOPED_TRACE(linkTop);
        // As near there as the window system lets the window go.
        view->move(view->pos() + QPoint(0, linkTop - linkRect().top()));
        link->click();
        QFrame *popover = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == QStringLiteral("reservedPopover") && window->isVisible())
                popover = qobject_cast<QFrame *>(window);
        ASSERT_NE(popover, nullptr);
        const QRect placed = popover->frameGeometry();
        EXPECT_TRUE(free.contains(placed)) << placed.top() << " " << placed.bottom();
        EXPECT_FALSE(placed.intersects(linkRect()));
        EXPECT_GE(placed.height(), 200);
        auto *bar = popover->findChild<QScrollArea *>()->verticalScrollBar();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.pageStep = bar->pageStep();
        EXPECT_TRUE(
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar).isEmpty());
        popover->close();
        QCoreApplication::processEvents();
    }
}
