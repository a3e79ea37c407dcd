#include "core/ShortcutStore.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "tutorial_window/TutorialHUDController.h"
#include "tutorial_window/TutorialHUDView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/ToolbarButton.h"

#include <QImage>
#include <QLabel>
#include <QSequentialAnimationGroup>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct TutorialHUDControllerTest : testing::Test {
    testsupport::TempFolder temp;
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
    ShortcutStore &shortcuts = ShortcutStore::shared();
    TutorialHUDController controller{store, shortcuts};
};

} // namespace

TEST_F(TutorialHUDControllerTest, OnePillThatStaysWhereItWasPutUntilClosed) {
    controller.show();
    TutorialHUDView *pill = testsupport::shownWindow<TutorialHUDView>();
    ASSERT_NE(pill, nullptr);
    EXPECT_TRUE(pill->isVisible());
    EXPECT_EQ(pill->windowTitle(), QStringLiteral("Gravando tutorial"));
    EXPECT_EQ(pill->size(), QSize(470, 52));
    const Qt::WindowFlags flags = pill->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(pill->testAttribute(Qt::WA_ShowWithoutActivating));

    pill->move(pill->pos() + QPoint(40, 30));
    const QPoint dragged = pill->pos();
    controller.show();
    EXPECT_EQ(testsupport::shownWindow<TutorialHUDView>(), pill);
    EXPECT_EQ(pill->pos(), dragged);

    controller.close();
    EXPECT_EQ(testsupport::shownWindow<TutorialHUDView>(), nullptr);
    controller.show();
    ASSERT_NE(testsupport::shownWindow<TutorialHUDView>(), nullptr);
    EXPECT_NE(testsupport::shownWindow<TutorialHUDView>()->pos(), dragged);
    controller.close();
}

TEST_F(TutorialHUDControllerTest, CountsTheStepsLiveAndTheDotPulses) {
    store.startRecording();
    controller.show();
    TutorialHUDView *pill = testsupport::shownWindow<TutorialHUDView>();
    EXPECT_EQ(testsupport::namedChild<QLabel>(*pill, "stepCount")->text(), QStringLiteral("0 passos"));
    EXPECT_EQ(testsupport::namedChild<ToolbarButton>(*pill, "stepButton")->shortcutText(),
              QStringLiteral("Alt+Shift+A"));
    const QImage capture = testsupport::filledImage(40, 30, Qt::green);
    store.addStep(capture);
    EXPECT_EQ(testsupport::namedChild<QLabel>(*pill, "stepCount")->text(), QStringLiteral("1 passo"));
    store.addStep(capture);
    EXPECT_EQ(testsupport::namedChild<QLabel>(*pill, "stepCount")->text(), QStringLiteral("2 passos"));

    // The dot pulses while the pill shows, over and over: its pulse is looked at through one round,
    // step by step, whatever time this machine takes.
    auto *pulse = pill->findChild<QSequentialAnimationGroup *>();
    ASSERT_NE(pulse, nullptr);
    EXPECT_EQ(pulse->state(), QAbstractAnimation::Running);
    EXPECT_EQ(pulse->loopCount(), -1);
    pulse->pause();
    // The dot as painted on nothing, its middle's alpha out of 255.
    auto *dot = testsupport::namedChild<QWidget>(*pill, "recordingDot");
    const auto painted = [dot] {
        QImage image(dot->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        dot->render(&image, {}, {}, QWidget::RenderFlags());
        return qAlpha(image.pixel(image.width() / 2, image.height() / 2));
    };
    int lowest = 255;
    for (int t = 0; t <= pulse->duration(); t += pulse->duration() / 40) {
        pulse->setCurrentTime(t);
        const int alpha = painted();
        lowest = std::min(lowest, alpha);
        EXPECT_GE(alpha, 89); // 0.35
    }
    EXPECT_LE(lowest, 128); // 0.5
    pulse->resume();
    controller.close();
}

TEST_F(TutorialHUDControllerTest, StepAsksForACaptureAndFinishStopsOnlyARecording) {
    store.startRecording();
    controller.show();
    TutorialHUDView *pill = testsupport::shownWindow<TutorialHUDView>();
    QSignalSpy steps(&controller, &TutorialHUDController::stepRequested);
    QSignalSpy finished(&store, &TutorialStore::recordingFinished);
    testsupport::namedChild<ToolbarButton>(*pill, "stepButton")->click();
    EXPECT_EQ(steps.count(), 1);
    EXPECT_TRUE(store.isRecording());

    testsupport::namedChild<ToolbarButton>(*pill, "finishButton")->click();
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(finished.count(), 1);
    // Recording already ended elsewhere: a late "Concluir" opens nothing.
    testsupport::namedChild<ToolbarButton>(*pill, "finishButton")->click();
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(finished.count(), 1);
    controller.close();
}
