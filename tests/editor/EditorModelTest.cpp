#include "editor/EditorFixture.h"

#include "core/AnnotationRenderer.h"

#include <QSignalSpy>

using editortest::EditorTest;

namespace {

// Draws a mark of the current tool from `a` to `b`, as the canvas does.
std::optional<QUuid> draw(EditorModel &model, QPointF a, QPointF b) {
    const std::optional<QUuid> id = model.startAnnotation(a);
    if (!id) return id;
    model.updateAnnotation(*id, b);
    model.finishAnnotation(*id);
    return id;
}

} // namespace

TEST_F(EditorTest, StrokeWidthsFollowTheCaptureSizeAndHighlightsStartYellow) {
    struct Case {
        QSize size;
        double thin, medium, thick;
    };
    for (const Case &c : {Case{{3840, 2160}, 7, 10, 16}, Case{{800, 600}, 2.1, 3, 4.8}}) {
        auto model = makeModel(c.size);
        model->setTool(EditorTool::arrow);
        const QList<std::pair<Annotation::Thickness, double>> widths{
            {Annotation::Thickness::thin, c.thin}, {Annotation::Thickness::medium, c.medium}, {Annotation::Thickness::thick, c.thick}};
        for (const auto &[thickness, width] : widths) {
            model->setThickness(thickness);
            draw(*model, {10, 10}, {200, 200});
            EXPECT_NEAR(model->annotations().last().width, width, 1e-9) << c.size.width();
        }
    }

    auto model = makeModel();
    model->setTool(EditorTool::highlight);
    draw(*model, {10, 10}, {100, 40});
    EXPECT_EQ(model->annotations().last().color, 0xFFC93Cu);
    model->setAnnotationColor(0x4DA3FF);
    draw(*model, {10, 50}, {100, 90});
    EXPECT_EQ(model->annotations().last().color, 0x4DA3FFu);
}

TEST_F(EditorTest, TooSmallShapesVanishLeavingTheHistoryAsItWas) {
    auto model = makeModel();
    model->setTool(EditorTool::arrow);
    draw(*model, {0, 0}, {100, 0});
    draw(*model, {0, 10}, {100, 10});
    model->undo(); // one step to undo, one to redo
    ASSERT_TRUE(model->canUndo());
    ASSERT_TRUE(model->canRedo());

    struct Case {
        EditorTool tool;
        QPointF end;
        bool kept;
    };
    const QList<Case> cases{{EditorTool::arrow, {7.9, 0}, false},
                            {EditorTool::arrow, {8, 0}, true},
                            {EditorTool::rectangle, {5.9, 40}, false},
                            {EditorTool::rectangle, {6, 6}, true}};
    for (const Case &c : cases) {
        model->setTool(c.tool);
        const QList<Annotation> before = model->annotations();
        const std::optional<QUuid> id = draw(*model, {200, 200}, QPointF(200, 200) + c.end);
        ASSERT_TRUE(id);
        EXPECT_EQ(model->annotations().size(), before.size() + (c.kept ? 1 : 0));
        if (c.kept) {
            EXPECT_EQ(model->selectedID(), id);
            EXPECT_FALSE(model->canRedo()); // a kept shape is a new step
            model->undo();
        } else {
            EXPECT_EQ(model->selectedID(), std::nullopt);
        }
        // Either way the history is the one from before the drag: one step back, one forward.
        EXPECT_EQ(model->annotations(), before);
        model->undo();
        EXPECT_FALSE(model->canUndo());
        model->redo();
        ASSERT_TRUE(model->canRedo());
    }
    model->redo();
    EXPECT_EQ(model->annotations().size(), 2);

    // A tool change in the middle of a drag ends it as a release would: a 5-pixel box is dropped.
    model->setTool(EditorTool::rectangle);
    const std::optional<QUuid> box = model->startAnnotation({300, 300});
    model->updateAnnotation(*box, {305, 305});
    model->setTool(EditorTool::select);
    EXPECT_EQ(model->annotations().size(), 2);
    EXPECT_FALSE(model->isInteracting());
    // Drawing tools keep the selection, crop drops it; tools that draw nothing start nothing.
    model->setSelectedID(model->annotations()[0].id);
    model->setTool(EditorTool::arrow);
    EXPECT_TRUE(model->selectedID());
    model->setTool(EditorTool::crop);
    EXPECT_EQ(model->selectedID(), std::nullopt);
    EXPECT_EQ(model->startAnnotation({1, 1}), std::nullopt);
}

TEST_F(EditorTest, ChangesFromOutsideTheGestureEndTypingOrWaitForTheDrag) {
    auto model = makeModel();
    const double padding = model->style().padding;

    // While typing: the text is committed first, then the style change is a step of its own.
    model->setTool(EditorTool::text);
    const std::optional<QUuid> text = model->startAnnotation({50, 50});
    model->setText(*text, QStringLiteral("Oi"));
    model->adjustPadding(8);
    EXPECT_EQ(model->editingTextID(), std::nullopt);
    EXPECT_EQ(model->style().padding, padding + 8);
    model->undo();
    EXPECT_EQ(model->style().padding, padding);
    ASSERT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(model->annotations()[0].kind.string, QStringLiteral("Oi"));
    model->undo();
    EXPECT_TRUE(model->annotations().isEmpty());
    model->redo();

    // During a move drag: the change waits for the drag's end and then is its own step.
    model->setTool(EditorTool::select);
    model->beginInteraction();
    Annotation moved = model->annotations()[0];
    moved.start += QPointF(30, 0);
    model->replaceAnnotation(moved);
    model->toggleShadow();
    model->clearAnnotations();
    EXPECT_EQ(model->style().shadow, BeautyStyle{}.shadow);
    EXPECT_EQ(model->annotations().size(), 1);
    model->endInteraction();
    EXPECT_NE(model->style().shadow, BeautyStyle{}.shadow);
    EXPECT_TRUE(model->annotations().isEmpty());
    model->undo(); // the clearing
    model->undo(); // the shadow
    EXPECT_EQ(model->style().shadow, BeautyStyle{}.shadow);
    EXPECT_EQ(model->annotations()[0].start, moved.start);
    model->undo(); // the move
    EXPECT_EQ(model->annotations()[0].start, QPointF(50, 50));
}

TEST_F(EditorTest, HistoryKeepsTheNewestHundredSteps) {
    auto model = makeModel();
    QSignalSpy history(model.get(), &EditorModel::historyChanged);
    for (int i = 1; i <= 101; ++i) model->adjustPadding(i % 2 ? 8 : -8);
    EXPECT_EQ(history.count(), 1); // undo became possible once
    for (int i = 0; i < 100; ++i) model->undo();
    EXPECT_FALSE(model->canUndo());
    // The oldest step went: the state reached is the one after the first change.
    EXPECT_EQ(model->style().padding, BeautyStyle{}.padding + 8);

    // With a full history, a click that changes nothing costs no step.
    auto full = makeModel();
    for (int i = 1; i <= 100; ++i) full->adjustPadding(i % 2 ? 8 : -8);
    full->beginInteraction();
    full->endInteraction();
    for (int i = 0; i < 100; ++i) full->undo();
    EXPECT_EQ(full->style().padding, BeautyStyle{}.padding);
}

TEST_F(EditorTest, CropFloorsAndTheVisibleRect) {
    auto model = makeModel({800, 600});
    model->setTool(EditorTool::crop);
    struct Case {
        QRectF drawn;
        bool kept;
        QRectF visible;
    };
    const QList<Case> cases{
        {{100, 100, 12, 40}, false, {0, 0, 800, 600}},
        {{780, 580, 100, 50}, true, {780, 580, 20, 20}},   // partly outside: kept as drawn, shown clipped
        {{10.4, 20.6, 100.2, 50}, true, {10, 20, 101, 51}}, // rounded outward
        {{795, 10, 40, 40}, false, {0, 0, 800, 600}},      // 5 pixels inside are too few
    };
    for (const Case &c : cases) {
        model->beginInteraction();
        model->setCrop(c.drawn);
        model->finishCrop();
        EXPECT_EQ(model->crop(), c.kept ? std::optional<QRectF>(c.drawn) : std::nullopt) << c.drawn.x();
        EXPECT_EQ(model->visibleRect(), c.visible) << c.drawn.x();
    }
    // A crop drag is one step: undoing the last one, which removed the crop, brings back the one before.
    model->undo();
    EXPECT_EQ(model->crop(), cases[2].drawn);
    model->removeCrop();
    EXPECT_EQ(model->crop(), std::nullopt);
}

TEST_F(EditorTest, CommandBarStartsOnTheFirstRow) {
    auto model = makeModel();
    model->setCommandBarOpen(true);
    model->setCommandQuery(QStringLiteral("som"));
    model->setCommandSelection(3);
    // Every assignment of the query, the same text included, goes back to the first row.
    model->setCommandQuery(QStringLiteral("som"));
    EXPECT_EQ(model->commandSelection(), 0);
    model->setCommandSelection(2);
    model->setCommandBarOpen(true);
    EXPECT_EQ(model->commandQuery(), QString());
    EXPECT_EQ(model->commandSelection(), 0);
}

TEST_F(EditorTest, ATextTypedNearAnEdgeIsKeptWholeInsideTheImage) {
    auto model = makeModel({400, 200});
    const QRectF image(0, 0, 400, 200);
    model->setTool(EditorTool::text);
    const std::optional<QUuid> id = model->startAnnotation({330, 185});
    ASSERT_TRUE(id);
    // While typing, the mark (and the field drawn over it) moves in as it grows.
    model->setText(*id, QStringLiteral("Frete"));
    EXPECT_TRUE(image.contains(AnnotationRenderer::textBounds(model->annotations()[0])));
    model->setText(*id, QStringLiteral("Frete corrigido!"));
    const Annotation typed = model->annotations()[0];
    EXPECT_TRUE(image.contains(AnnotationRenderer::textBounds(typed)));
    // Finished, it stays where the user saw it, whole.
    model->finishTextEditing();
    ASSERT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(model->annotations()[0].start, typed.start);
    EXPECT_EQ(model->annotations()[0].kind.string, QStringLiteral("Frete corrigido!"));

    // Dragged past the bottom edge, it ends inside again.
    model->setTool(EditorTool::select);
    model->beginInteraction();
    Annotation dragged = model->annotations()[0];
    dragged.start += QPointF(-100, 60);
    model->replaceAnnotation(dragged);
    model->endInteraction();
    EXPECT_TRUE(image.contains(AnnotationRenderer::textBounds(model->annotations()[0])));
    EXPECT_EQ(model->annotations()[0].start.x(), dragged.start.x());

    // One typed well inside does not move.
    model->setTool(EditorTool::text);
    const std::optional<QUuid> inside = model->startAnnotation({20, 20});
    model->setText(*inside, QStringLiteral("Oi"));
    EXPECT_EQ(model->annotations().last().start, QPointF(20, 20));
}
