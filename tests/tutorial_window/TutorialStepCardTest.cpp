#include "support/TestSupport.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/PlainFields.h"
#include "tutorial_window/StepPictureView.h"
#include "tutorial_window/TutorialStepCard.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Buttons.h"
#include "widgets/ToolbarButton.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString markerStatus(const TutorialStepCard &card) {
    return testsupport::namedChild<QLabel>(card, "markerStatus")->text();
}

// QTest takes the point (0, 0) for "the middle": the events are sent by hand.
void clickAt(QWidget *widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

struct TutorialStepCardTest : testing::Test {
    testsupport::TempFolder temp;
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
    PictureLoader loader;

    void SetUp() override { store.newTutorial(); }
    TutorialStep addStep(int width, int height) {
        store.addStep(testsupport::filledImage(width, height, Qt::darkCyan));
        return store.tutorial().steps.constLast();
    }
    TutorialStep stored(qsizetype index) const { return store.tutorial().steps.value(index); }
    QString fileOf(const TutorialStep &step) const {
        return store.folder(*store.currentID()) + QLatin1Char('/') + step.imageFile;
    }
};

} // namespace

TEST_F(TutorialStepCardTest, PicturesFitTheBoxEnlargedOrReduced) {
    const TutorialStep small = addStep(190, 130);
    const TutorialStep wide = addStep(1520, 520);
    TutorialStepCard first(store, loader);
    first.setStep(small, 1, 2);
    TutorialStepCard second(store, loader);
    second.setStep(wide, 2, 2);
    EXPECT_EQ(testsupport::namedChild<StepPictureView>(first, "picture")->size(), QSize(380, 260));
    EXPECT_EQ(testsupport::namedChild<StepPictureView>(second, "picture")->size(), QSize(380, 130));
    EXPECT_FALSE(testsupport::namedChild<StepPictureView>(first, "picture")->isPlaceholder());
}

TEST_F(TutorialStepCardTest, ClicksPlaceTheMarkerWithinTheEdges) {
    TutorialStepCard card(store, loader);
    card.setStep(addStep(190, 130), 1, 1);
    StepPictureView *picture = testsupport::namedChild<StepPictureView>(card, "picture");
    EXPECT_EQ(markerStatus(card), QStringLiteral("Clique na imagem para marcar onde clicar"));
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(card, "removeMarkerButton")->isVisibleTo(&card));
    EXPECT_EQ(picture->cursor().shape(), Qt::CrossCursor);

    clickAt(picture, QPoint(picture->width() - 1, picture->height() - 1));
    EXPECT_EQ(stored(0).marker, QPointF(1, 1));
    clickAt(picture, QPoint(0, 0));
    EXPECT_EQ(stored(0).marker, QPointF(0, 0));
    card.setStep(stored(0), 1, 1);
    EXPECT_EQ(markerStatus(card), QStringLiteral("Marcador 1 colocado"));
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(card, "removeMarkerButton")->isVisibleTo(&card));

    // A click right on the badge (at the top-left corner now) reaches the picture and moves it.
    clickAt(picture, QPoint(6, 4));
    ASSERT_TRUE(stored(0).marker);
    EXPECT_NEAR(stored(0).marker->x(), 6.0 / 379, 1e-9);
    EXPECT_NEAR(stored(0).marker->y(), 4.0 / 259, 1e-9);

    card.setStep(stored(0), 1, 1);
    testsupport::namedChild<QAbstractButton>(card, "removeMarkerButton")->click();
    EXPECT_FALSE(stored(0).marker);
    card.setStep(stored(0), 1, 1);
    EXPECT_EQ(markerStatus(card), QStringLiteral("Clique na imagem para marcar onde clicar"));
}

TEST_F(TutorialStepCardTest, AnUnreadablePictureShowsThePlaceholderAndTheMarkerStillCounts) {
    TutorialStep step = addStep(190, 130);
    step.marker = QPointF(0.25, 0.5);
    store.update(step);
    QFile file(fileOf(step));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a picture");
    file.close();

    TutorialStepCard card(store, loader);
    card.setStep(stored(0), 1, 1);
    EXPECT_TRUE(testsupport::namedChild<StepPictureView>(card, "picture")->isPlaceholder());
    EXPECT_EQ(testsupport::namedChild<StepPictureView>(card, "picture")->size(), QSize(240, 140));
    EXPECT_EQ(markerStatus(card), QStringLiteral("Marcador 1 colocado"));
    clickAt(testsupport::namedChild<StepPictureView>(card, "picture"), QPoint(10, 10));
    EXPECT_EQ(stored(0).marker, QPointF(0.25, 0.5));
    testsupport::namedChild<QAbstractButton>(card, "removeMarkerButton")->click();
    EXPECT_FALSE(stored(0).marker);
}

TEST_F(TutorialStepCardTest, FieldsSaveAsTypedAndTheDescriptionGrowsToSixLines) {
    TutorialStepCard card(store, loader);
    card.setStep(addStep(190, 130), 1, 1);
    card.resize(900, 320);
    card.show();
    QTest::keyClicks(testsupport::namedChild<QLineEdit>(card, "titleField"), QStringLiteral("Abra Ajustes "));
    EXPECT_EQ(stored(0).title, QStringLiteral("Abra Ajustes "));
    QTest::keyClicks(testsupport::namedChild<GrowingTextEdit>(card, "detailField"), QStringLiteral("Clique"));
    EXPECT_EQ(stored(0).detail, QStringLiteral("Clique"));

    // The store's copy coming back leaves the field (and its cursor) alone.
    testsupport::namedChild<GrowingTextEdit>(card, "detailField")->moveCursor(QTextCursor::Start);
    card.setStep(stored(0), 1, 1);
    EXPECT_EQ(testsupport::namedChild<GrowingTextEdit>(card, "detailField")->textCursor().position(), 0);

    GrowingTextEdit *detail = testsupport::namedChild<GrowingTextEdit>(card, "detailField");
    EXPECT_EQ(detail->visibleLines(), 2);
    detail->setPlainText(QStringLiteral("1\n2\n3\n4"));
    EXPECT_EQ(detail->visibleLines(), 4);
    const int fourLines = detail->height();
    detail->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9"));
    EXPECT_EQ(detail->visibleLines(), 6);
    EXPECT_GT(detail->height(), fourLines);
    EXPECT_EQ(stored(0).detail, QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9"));
}

TEST_F(TutorialStepCardTest, MovingAndDeletingSteps) {
    const TutorialStep first = addStep(40, 30);
    const TutorialStep second = addStep(50, 30);
    TutorialStepCard top(store, loader);
    top.setStep(first, 1, 2);
    TutorialStepCard bottom(store, loader);
    bottom.setStep(second, 2, 2);
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(top, "upButton")->isEnabled());
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(top, "downButton")->isEnabled());
    EXPECT_TRUE(testsupport::namedChild<QAbstractButton>(bottom, "upButton")->isEnabled());
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(bottom, "downButton")->isEnabled());

    testsupport::namedChild<QAbstractButton>(bottom, "upButton")->click();
    EXPECT_EQ(stored(0).id, second.id);
    EXPECT_EQ(stored(1).id, first.id);

    // Deleting asks nothing: the step and its file are gone at once.
    const QString file = fileOf(first);
    ASSERT_TRUE(QFileInfo::exists(file));
    top.setStep(stored(1), 2, 2);
    testsupport::namedChild<QAbstractButton>(top, "deleteButton")->click();
    EXPECT_EQ(store.tutorial().steps.size(), 1);
    EXPECT_EQ(stored(0).id, second.id);
    EXPECT_FALSE(QFileInfo::exists(file));
    bottom.setStep(stored(0), 1, 1);
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(bottom, "upButton")->isEnabled());
    EXPECT_FALSE(testsupport::namedChild<QAbstractButton>(bottom, "downButton")->isEnabled());
}
