#include "editor/EditorFixture.h"

#include "core/AnnotationRenderer.h"
#include "editor/EditorDocument.h"

#include <QSignalSpy>

using EditorDocumentTest = editortest::EditorTest;

namespace {

// Draws a mark of the current tool from `a` to `b`, as the canvas does.
std::optional<QUuid> draw(EditorDocument &document, QPointF a, QPointF b) {
    const std::optional<QUuid> id = document.startAnnotation(a);
    if (!id) return id;
    document.updateAnnotation(*id, b);
    document.finishAnnotation(*id);
    return id;
}

// The side panel's margin and shadow changes, made on the document's style.
void pad(EditorDocument &document, double delta) {
    BeautyStyle style = document.style();
    style.padding += delta;
    document.setStyle(style);
}

void toggleShadow(EditorDocument &document) {
    BeautyStyle style = document.style();
    style.shadow = !style.shadow;
    document.setStyle(style);
}

} // namespace

TEST_F(EditorDocumentTest, StrokeWidthsFollowTheCaptureSizeAndHighlightsStartYellow) {
    struct Case {
        QSize size;
        double thin, medium, thick;
    };
    for (const Case &c : {Case{{3840, 2160}, 7, 10, 16}, Case{{800, 600}, 2.1, 3, 4.8}}) {
        auto document = makeDocument(c.size);
        document->setTool(EditorTool::arrow);
        const QList<std::pair<Annotation::Thickness, double>> widths{{Annotation::Thickness::thin, c.thin},
                                                                     {Annotation::Thickness::medium, c.medium},
                                                                     {Annotation::Thickness::thick, c.thick}};
        for (const auto &[thickness, width] : widths) {
            document->setThickness(thickness);
            draw(*document, {10, 10}, {200, 200});
            EXPECT_NEAR(document->annotations().last().width, width, 1e-9) << c.size.width();
        }
    }

    auto document = makeDocument();
    document->setTool(EditorTool::highlight);
    draw(*document, {10, 10}, {100, 40});
    EXPECT_EQ(document->annotations().last().color, 0xFFC93Cu);
    document->setAnnotationColor(0x4DA3FF);
    draw(*document, {10, 50}, {100, 90});
    EXPECT_EQ(document->annotations().last().color, 0x4DA3FFu);
}

TEST_F(EditorDocumentTest, TooSmallShapesVanishLeavingTheHistoryAsItWas) {
    auto document = makeDocument();
    document->setTool(EditorTool::arrow);
    draw(*document, {0, 0}, {100, 0});
    draw(*document, {0, 10}, {100, 10});
    document->undo(); // one step to undo, one to redo
    ASSERT_TRUE(document->canUndo());
    ASSERT_TRUE(document->canRedo());

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
        document->setTool(c.tool);
        const QList<Annotation> before = document->annotations();
        const std::optional<QUuid> id = draw(*document, {200, 200}, QPointF(200, 200) + c.end);
        ASSERT_TRUE(id);
        EXPECT_EQ(document->annotations().size(), before.size() + (c.kept ? 1 : 0));
        if (c.kept) {
            EXPECT_EQ(document->selectedID(), id);
            EXPECT_FALSE(document->canRedo()); // a kept shape is a new step
            document->undo();
        } else {
            EXPECT_EQ(document->selectedID(), std::nullopt);
        }
        // Either way the history is the one from before the drag: one step back, one forward.
        EXPECT_EQ(document->annotations(), before);
        document->undo();
        EXPECT_FALSE(document->canUndo());
        document->redo();
        ASSERT_TRUE(document->canRedo());
    }
    document->redo();
    EXPECT_EQ(document->annotations().size(), 2);

    // A tool change in the middle of a drag ends it as a release would: a 5-pixel box is dropped.
    document->setTool(EditorTool::rectangle);
    const std::optional<QUuid> box = document->startAnnotation({300, 300});
    document->updateAnnotation(*box, {305, 305});
    document->setTool(EditorTool::select);
    EXPECT_EQ(document->annotations().size(), 2);
    EXPECT_FALSE(document->isInteracting());
    // Drawing tools keep the selection, crop drops it; tools that draw nothing start nothing.
    document->setSelectedID(document->annotations()[0].id);
    document->setTool(EditorTool::arrow);
    EXPECT_TRUE(document->selectedID());
    document->setTool(EditorTool::crop);
    EXPECT_EQ(document->selectedID(), std::nullopt);
    EXPECT_EQ(document->startAnnotation({1, 1}), std::nullopt);
}

TEST_F(EditorDocumentTest, ChangesFromOutsideTheGestureEndTypingOrWaitForTheDrag) {
    auto document = makeDocument();
    const double padding = document->style().padding;

    // While typing: the text is committed first, then the style change is a step of its own.
    document->setTool(EditorTool::text);
    const std::optional<QUuid> text = document->startAnnotation({50, 50});
    document->setText(*text, QStringLiteral("Oi"));
    pad(*document, 8);
    EXPECT_EQ(document->editingTextID(), std::nullopt);
    EXPECT_EQ(document->style().padding, padding + 8);
    document->undo();
    EXPECT_EQ(document->style().padding, padding);
    ASSERT_EQ(document->annotations().size(), 1);
    EXPECT_EQ(document->annotations()[0].kind.string, QStringLiteral("Oi"));
    document->undo();
    EXPECT_TRUE(document->annotations().isEmpty());
    document->redo();

    // During a move drag: the change waits for the drag's end and then is its own step.
    document->setTool(EditorTool::select);
    document->beginInteraction();
    Annotation moved = document->annotations()[0];
    moved.start += QPointF(30, 0);
    document->replaceAnnotation(moved);
    toggleShadow(*document);
    document->clearAnnotations();
    EXPECT_EQ(document->style().shadow, BeautyStyle{}.shadow);
    EXPECT_EQ(document->annotations().size(), 1);
    document->endInteraction();
    EXPECT_NE(document->style().shadow, BeautyStyle{}.shadow);
    EXPECT_TRUE(document->annotations().isEmpty());
    document->undo(); // the clearing
    document->undo(); // the shadow
    EXPECT_EQ(document->style().shadow, BeautyStyle{}.shadow);
    EXPECT_EQ(document->annotations()[0].start, moved.start);
    document->undo(); // the move
    EXPECT_EQ(document->annotations()[0].start, QPointF(50, 50));
}

TEST_F(EditorDocumentTest, HistoryKeepsTheNewestHundredSteps) {
    auto document = makeDocument();
    QSignalSpy history(document.get(), &EditorDocument::historyChanged);
    for (int i = 1; i <= 101; ++i) pad(*document, i % 2 ? 8 : -8);
    EXPECT_EQ(history.count(), 1); // undo became possible once
    for (int i = 0; i < 100; ++i) document->undo();
    EXPECT_FALSE(document->canUndo());
    // The oldest step went: the state reached is the one after the first change.
    EXPECT_EQ(document->style().padding, BeautyStyle{}.padding + 8);

    // With a full history, a click that changes nothing costs no step.
    auto full = makeDocument();
    for (int i = 1; i <= 100; ++i) pad(*full, i % 2 ? 8 : -8);
    full->beginInteraction();
    full->endInteraction();
    for (int i = 0; i < 100; ++i) full->undo();
    EXPECT_EQ(full->style().padding, BeautyStyle{}.padding);
}

TEST_F(EditorDocumentTest, CropFloorsAndTheVisibleRect) {
    auto document = makeDocument({800, 600});
    document->setTool(EditorTool::crop);
    struct Case {
        QRectF drawn;
        bool kept;
        QRectF visible;
    };
    const QList<Case> cases{
        {{100, 100, 12, 40}, false, {0, 0, 800, 600}},
        {{780, 580, 100, 50}, true, {780, 580, 20, 20}},    // partly outside: kept as drawn, shown clipped
        {{10.4, 20.6, 100.2, 50}, true, {10, 20, 101, 51}}, // rounded outward
        {{795, 10, 40, 40}, false, {0, 0, 800, 600}},       // 5 pixels inside are too few
    };
    for (const Case &c : cases) {
        document->beginInteraction();
        document->setCrop(c.drawn);
        document->finishCrop();
        EXPECT_EQ(document->crop(), c.kept ? std::optional<QRectF>(c.drawn) : std::nullopt) << c.drawn.x();
        EXPECT_EQ(document->visibleRect(), c.visible) << c.drawn.x();
    }
    // A crop drag is one step: undoing the last one, which removed the crop, brings back the one before.
    document->undo();
    EXPECT_EQ(document->crop(), cases[2].drawn);
    document->removeCrop();
    EXPECT_EQ(document->crop(), std::nullopt);
}

TEST_F(EditorDocumentTest, ATextTypedNearAnEdgeIsKeptWholeInsideTheImage) {
    auto document = makeDocument({400, 200});
    const QRectF image(0, 0, 400, 200);
    document->setTool(EditorTool::text);
    const std::optional<QUuid> id = document->startAnnotation({330, 185});
    ASSERT_TRUE(id);
    // While typing, the mark (and the field drawn over it) moves in as it grows.
    document->setText(*id, QStringLiteral("Frete"));
    EXPECT_TRUE(image.contains(AnnotationRenderer::textBounds(document->annotations()[0])));
    document->setText(*id, QStringLiteral("Frete corrigido!"));
    const Annotation typed = document->annotations()[0];
    EXPECT_TRUE(image.contains(AnnotationRenderer::textBounds(typed)));
    // Finished, it stays where the user saw it, whole.
    document->finishTextEditing();
    ASSERT_EQ(document->annotations().size(), 1);
    EXPECT_EQ(document->annotations()[0].start, typed.start);
    EXPECT_EQ(document->annotations()[0].kind.string, QStringLiteral("Frete corrigido!"));

    // Dragged past the bottom edge, it ends inside again.
    document->setTool(EditorTool::select);
    document->beginInteraction();
    Annotation dragged = document->annotations()[0];
    dragged.start += QPointF(-100, 60);
    document->replaceAnnotation(dragged);
    document->endInteraction();
    EXPECT_TRUE(image.contains(AnnotationRenderer::textBounds(document->annotations()[0])));
    EXPECT_EQ(document->annotations()[0].start.x(), dragged.start.x());

    // One typed well inside does not move.
    document->setTool(EditorTool::text);
    const std::optional<QUuid> inside = document->startAnnotation({20, 20});
    document->setText(*inside, QStringLiteral("Oi"));
    EXPECT_EQ(document->annotations().last().start, QPointF(20, 20));
}
