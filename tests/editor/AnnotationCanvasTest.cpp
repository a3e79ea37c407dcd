#include "editor/AnnotationCanvas.h"

#include "EditorFixture.h"
#include "core/AnnotationRenderer.h"
#include "support/TestSupport.h"

#include <QLineEdit>
#include <QTest>

using namespace editortest;

namespace {

// An 800 × 600 capture on a canvas that shows it at one point per pixel, 36 points in: image point
// (x, y) is at view point (x + 36, y + 36).
class AnnotationCanvasTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        model = makeModel();
        canvas = std::make_unique<AnnotationCanvas>(&model->document(), &model->render());
        canvas->resize(872, 672);
        canvas->show();
    }
    void TearDown() override {
        canvas.reset();
        model.reset();
        EditorTest::TearDown();
    }

    static QPoint at(double x, double y) { return QPoint(qRound(x + 36), qRound(y + 36)); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(canvas.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas.get(), (from + to) / 2);
        QTest::mouseMove(canvas.get(), to);
        QTest::mouseRelease(canvas.get(), Qt::LeftButton, {}, to);
    }
    Annotation only() const {
        EXPECT_EQ(model->document().annotations().size(), 1);
        return model->document().annotations().value(0);
    }
    void addBox() {
        model->document().setTool(EditorTool::rectangle);
        drag(at(100, 100), at(500, 400));
    }

    // The in-place field of the label being typed (hidden otherwise).
    QLineEdit *textField() const { return testsupport::namedChild<QLineEdit>(*canvas, "canvasTextField"); }

    std::unique_ptr<EditorModel> model;
    std::unique_ptr<AnnotationCanvas> canvas;
};

QRect redPixels(const QImage &image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 240 && std::abs(c.green() - 0x5A) < 12 && std::abs(c.blue() - 0x5F) < 12)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

} // namespace

TEST_F(AnnotationCanvasTest, SelectHitsABoxOnlyNearItsStrokeAtEveryScale) {
    addBox();
    model->document().setTool(EditorTool::select);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(300, 250));
    EXPECT_FALSE(model->document().selectedID());
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(100 + 8, 250));
    EXPECT_EQ(model->document().selectedID(), only().id);

    // At half size 8 points are 16 pixels, and grips answer within 18.
    canvas->resize(472, 372);
    ASSERT_DOUBLE_EQ(canvas->mapping().scale(), 0.5);
    EXPECT_TRUE(canvas->hitTest(QPointF(84.5, 250)));
    EXPECT_FALSE(canvas->hitTest(QPointF(83, 250)));
    EXPECT_TRUE(canvas->gripHit(QPointF(518, 400), only()));
    EXPECT_FALSE(canvas->gripHit(QPointF(519, 400), only()));
}

TEST_F(AnnotationCanvasTest, AGripDraggedPastTheOppositeEdgeTurnsTheBoxOverInOneStep) {
    addBox();
    const QUuid id = only().id;
    // Still the box tool: a press on the selected box's grip resizes instead of drawing.
    drag(at(500, 400), at(40, 300));
    EXPECT_EQ(only().id, id);
    EXPECT_EQ(only().start, QPointF(40, 100));
    EXPECT_EQ(only().end, QPointF(100, 300));
    model->document().undo();
    EXPECT_EQ(only().end, QPointF(500, 400));
}

TEST_F(AnnotationCanvasTest, TheTextGripShrinksToAThirdOfTheWidthAtMost) {
    model->document().setTool(EditorTool::text);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(200, 200));
    ASSERT_TRUE(model->document().editingTextID());
    QTest::keyClicks(textField(), QStringLiteral("Ola"));
    QTest::keyClick(textField(), Qt::Key_Return);
    EXPECT_FALSE(model->document().editingTextID());
    const Annotation text = only();
    EXPECT_EQ(text.kind.string, QStringLiteral("Ola"));
    EXPECT_EQ(text.start, QPointF(200, 200));

    Annotation large = text;
    large.width = 20;
    model->document().replaceAnnotation(large);
    model->document().setTool(EditorTool::select);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(205, 205));
    const QRectF pill = AnnotationRenderer::textBounds(large);
    drag(at(pill.right(), pill.bottom()), at(0, pill.bottom()));
    EXPECT_NEAR(only().width, 6, 0.01);

    Annotation thin = only();
    thin.width = 2;
    model->document().replaceAnnotation(thin);
    const QRectF small = AnnotationRenderer::textBounds(thin);
    drag(at(small.right(), small.bottom()), at(0, small.bottom()));
    EXPECT_DOUBLE_EQ(only().width, 1.5);
}

TEST_F(AnnotationCanvasTest, AClickSelectsATextADoubleClickTypesAndTheTextToolCreatesAtRelease) {
    model->document().setTool(EditorTool::text);
    QTest::mousePress(canvas.get(), Qt::LeftButton, {}, at(50, 50));
    QTest::mouseMove(canvas.get(), at(300, 60));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, {}, at(300, 60));
    EXPECT_EQ(only().start, QPointF(300, 60));
    EXPECT_TRUE(textField()->isVisible());
    QTest::keyClicks(textField(), QStringLiteral("Oi"));
    model->document().setTool(EditorTool::select);

    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(305, 65));
    EXPECT_EQ(model->document().selectedID(), only().id);
    EXPECT_FALSE(model->document().editingTextID());
    // The sequence a double click arrives as.
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(305, 65));
    QTest::mouseDClick(canvas.get(), Qt::LeftButton, {}, at(305, 65));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, {}, at(305, 65));
    EXPECT_EQ(model->document().editingTextID(), only().id);
    EXPECT_EQ(textField()->text(), QStringLiteral("Oi"));

    // A press elsewhere with the text tool ends that entry; the tool then opens a new text.
    model->document().setTool(EditorTool::text);
    EXPECT_FALSE(model->document().editingTextID());
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(600, 500));
    EXPECT_EQ(model->document().annotations().size(), 2);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(305, 65));
    EXPECT_EQ(model->document().annotations().size(), 1) << "the empty new text vanishes";
    EXPECT_EQ(model->document().editingTextID(), model->document().annotations().value(0).id);
}

TEST_F(AnnotationCanvasTest, ACanvasGoingAwayDuringTypingKeepsTheTextAsOneStep) {
    model->document().setTool(EditorTool::text);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(100, 100));
    QTest::keyClicks(textField(), QStringLiteral("abc"));
    canvas.reset();
    EXPECT_FALSE(model->document().editingTextID());
    EXPECT_FALSE(model->document().isInteracting());
    EXPECT_EQ(only().kind.string, QStringLiteral("abc"));
    model->document().undo();
    EXPECT_TRUE(model->document().annotations().isEmpty());

    // An emptied text is still dropped.
    canvas = std::make_unique<AnnotationCanvas>(&model->document(), &model->render());
    canvas->resize(872, 672);
    canvas->show();
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(100, 100));
    QTest::keyClicks(textField(), QStringLiteral("x"));
    QTest::keyClick(textField(), Qt::Key_Backspace);
    canvas.reset();
    EXPECT_TRUE(model->document().annotations().isEmpty());
}

TEST_F(AnnotationCanvasTest, AToolChangeDuringADragEndsThePress) {
    model->document().setTool(EditorTool::rectangle);
    QTest::mousePress(canvas.get(), Qt::LeftButton, {}, at(100, 100));
    QTest::mouseMove(canvas.get(), at(300, 300));
    model->document().setTool(EditorTool::select);
    QTest::mouseMove(canvas.get(), at(500, 500));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, {}, at(500, 500));
    EXPECT_EQ(only().end, QPointF(300, 300));
    EXPECT_FALSE(model->document().isInteracting());
    model->document().undo();
    EXPECT_TRUE(model->document().annotations().isEmpty());

    // Too small when the tool changes: gone, as at a release.
    model->document().setTool(EditorTool::rectangle);
    QTest::mousePress(canvas.get(), Qt::LeftButton, {}, at(100, 100));
    QTest::mouseMove(canvas.get(), at(102, 102));
    model->document().setTool(EditorTool::arrow);
    QTest::mouseMove(canvas.get(), at(400, 400));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, {}, at(400, 400));
    EXPECT_TRUE(model->document().annotations().isEmpty());
    EXPECT_FALSE(model->document().canUndo());
}

TEST_F(AnnotationCanvasTest, DrawsTheArrowOnTheRenderersPixelsAndHighlightsKeepDarkTextDark) {
    model->document().setTool(EditorTool::arrow);
    drag(at(120, 100), at(520, 380));
    model->document().setTool(EditorTool::preview); // no grips over the arrow
    model->document().setTool(EditorTool::highlight);
    model->document().setSelectedID(std::nullopt);
    auto expectOutputsPixels = [&] {
        const QImage shown = canvas->grab().toImage().copy(36, 36, 800, 600);
        const QImage baked =
            AnnotationRenderer::render(model->document().original(), std::nullopt, model->document().annotations());
        const QRect onScreen = redPixels(shown), inOutput = redPixels(baked);
        ASSERT_FALSE(inOutput.isEmpty());
        EXPECT_LE(std::abs(onScreen.left() - inOutput.left()), 1);
        EXPECT_LE(std::abs(onScreen.top() - inOutput.top()), 1);
        EXPECT_LE(std::abs(onScreen.right() - inOutput.right()), 1);
        EXPECT_LE(std::abs(onScreen.bottom() - inOutput.bottom()), 1);
    };
    expectOutputsPixels();
    // The same mark changed: the canvas draws it afresh, not as it was.
    Annotation moved = model->document().annotations().first();
    moved.start += QPointF(150, 120);
    moved.end = QPointF(300, 200);
    model->document().replaceAnnotation(moved);
    expectOutputsPixels();

    QImage dark(400, 300, QImage::Format_ARGB32_Premultiplied);
    dark.fill(Qt::white);
    for (int y = 140; y < 160; ++y)
        for (int x = 100; x < 300; ++x) dark.setPixelColor(x, y, QColor(20, 20, 20));
    EditorModel darkModel(dark, QString(), std::nullopt, StyleStore::shared());
    AnnotationCanvas darkCanvas(&darkModel.document(), &darkModel.render());
    darkCanvas.resize(472, 372);
    darkCanvas.show();
    darkModel.document().setTool(EditorTool::highlight);
    QTest::mousePress(&darkCanvas, Qt::LeftButton, {}, QPoint(36 + 80, 36 + 130));
    QTest::mouseMove(&darkCanvas, QPoint(36 + 320, 36 + 170));
    QTest::mouseRelease(&darkCanvas, Qt::LeftButton, {}, QPoint(36 + 320, 36 + 170));
    darkModel.document().setSelectedID(std::nullopt);
    const QImage highlighted = darkCanvas.grab().toImage();
    EXPECT_LT(qGray(highlighted.pixel(36 + 200, 36 + 150)), 40);
    EXPECT_GT(qGray(highlighted.pixel(36 + 200, 36 + 135)), 120); // the marker shows around the text
    settle();
}

TEST_F(AnnotationCanvasTest, TheCropsSizeSitsOnAPlate) {
    model->document().setTool(EditorTool::crop);
    drag(at(200, 150), at(600, 450));
    ASSERT_TRUE(model->document().crop());
    const QImage shown = canvas->grab().toImage();
    // The plate's left padding, level with the text: dark whatever the capture is beneath.
    const QColor padding = shown.pixelColor(at(200 + 6 + 3, 150 + 6 + 8));
    EXPECT_LT(padding.green(), 40) << padding.name().toStdString();
    EXPECT_LT(padding.blue(), 40) << padding.name().toStdString();
}
