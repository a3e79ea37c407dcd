#include "editor_window/EditorView.h"

#include "brand/BrandStore.h"
#include "editor/AnnotationCanvas.h"
#include "editor/EditorFixture.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/CommandBarView.h"
#include "editor_window/EditorBars.h"
#include "editor_window/InspectorView.h"
#include "editor_window/PreviewStage.h"
#include "editor_window/ShortcutsSheet.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>

namespace {

using editortest::settle;

class EditorViewTest : public editortest::EditorTest {
protected:
    void TearDown() override {
        view.reset();
        BackdropSheet::setContent({});
        editortest::EditorTest::TearDown();
    }
    EditorView &show(EditorModel *model) {
        view = std::make_unique<EditorView>(model, StyleStore::shared(), BrandStore::shared());
        view->resize(1240, 800);
        view->show();
        return *view;
    }
    static QRegularExpression sizePattern() {
        return QRegularExpression(QStringLiteral("^\\d+ × \\d+ px · PNG ≈ .+$"));
    }
    std::unique_ptr<EditorView> view;
};

PreviewStage *stageOf(const EditorView &page) { return testsupport::namedChild<PreviewStage>(page, "previewStage"); }
EditorBottomBar *bottomBarOf(const EditorView &page) {
    return testsupport::namedChild<EditorBottomBar>(page, "editorBottomBar");
}
// The hints shown, one text per hint in order.
QStringList hintTextsOf(const EditorView &page) {
    QStringList texts;
    for (const QLabel *label : testsupport::namedChild<QWidget>(*bottomBarOf(page), "hints")
                                   ->findChildren<QLabel *>(QStringLiteral("hintText")))
        texts << label->text();
    return texts;
}
QLabel *summaryOf(const EditorView &page, const char *name) { return testsupport::namedChild<QLabel>(page, name); }
// The widget the work area shows now: the stage or the canvas.
QWidget *currentCanvasOf(const EditorView &page) {
    return testsupport::namedChild<QStackedWidget>(page, "canvasStack")->currentWidget();
}
CommandBarView *commandBarOf(const EditorView &page) {
    return testsupport::namedChild<CommandBarView>(page, "commandBar");
}
ShortcutsSheet *shortcutsSheetOf(const EditorView &page) {
    return testsupport::namedChild<ShortcutsSheet>(page, "shortcutsSheet");
}
QDialog *backdropDialogOf(const EditorView &page) {
    return testsupport::shownChild<QDialog>(*page.window(), "backdropSheet");
}

} // namespace

TEST_F(EditorViewTest, TheStageDrawsTheResultOnceScaledForItsPlace) {
    // The result is scaled for the stage on a worker: the frame after it lands shows the capture,
    // never the progress indicator for good.
    const testsupport::SubstituteRenderers<> standard;
    EditorModel model(testsupport::filledImage(1920, 1080, Qt::red), QString(), std::nullopt, StyleStore::shared());
    EditorView &page = show(&model);
    ASSERT_TRUE(testsupport::becomes([&] { return !model.render().preview().isNull(); }));
    const auto centre = [&] {
        return stageOf(page)->grab().toImage().pixelColor(stageOf(page)->pictureRect().center().toPoint());
    };
    EXPECT_TRUE(testsupport::becomes([&] { return centre() == QColor(Qt::red); })) << centre().name().toStdString();
}

TEST_F(EditorViewTest, ARealCaptureShowsTheOriginalBeforeItsFirstRenderThenItsResultAndSize) {
    const testsupport::SubstituteRenderers<> standard;
    EditorModel model(testsupport::filledImage(2880, 1800, Qt::darkCyan), QString(), std::nullopt,
                      StyleStore::shared());
    EditorView &page = show(&model);
    // Space held before anything is rendered: the capture and its badge, no indicator.
    model.page().setShowOriginal(true);
    EXPECT_TRUE(stageOf(page)->showsOriginal());
    EXPECT_FALSE(stageOf(page)->showsProgress());
    EXPECT_FALSE(stageOf(page)->pictureRect().isEmpty());
    EXPECT_TRUE(summaryOf(page, "sizeSummary")->text().isEmpty());
    model.page().setShowOriginal(false);
    EXPECT_TRUE(stageOf(page)->showsProgress());

    // The result and its estimate arrive: the size summary with the format and bytes.
    ASSERT_TRUE(testsupport::becomes([&] { return model.render().estimatedBytes().has_value(); }));
    EXPECT_FALSE(stageOf(page)->showsProgress());
    EXPECT_TRUE(sizePattern().match(summaryOf(page, "sizeSummary")->text()).hasMatch())
        << summaryOf(page, "sizeSummary")->text().toStdString();
    // The picture keeps the result's shape, 40 points inside the stage.
    const QRectF picture = stageOf(page)->pictureRect();
    EXPECT_NEAR(picture.width() / picture.height(),
                double(model.render().preview().width()) / model.render().preview().height(), 0.01);
    EXPECT_GE(picture.left(), PreviewStage::inset - 0.5);
    EXPECT_GE(picture.top(), PreviewStage::inset - 0.5);
    EXPECT_EQ(testsupport::namedChild<QScrollArea>(page, "panelSlot")->width(), EditorView::panelWidth);
    EXPECT_NE(qobject_cast<InspectorView *>(testsupport::namedChild<QScrollArea>(page, "panelSlot")->widget()),
              nullptr); // the side panel

    // Marks and crop in the top bar; the canvas for a drawing tool, with its hints.
    EXPECT_TRUE(summaryOf(page, "editSummary")->text().isEmpty());
    model.document().setTool(EditorTool::rectangle);
    EXPECT_EQ(currentCanvasOf(page),
              static_cast<QWidget *>(testsupport::namedChild<AnnotationCanvas>(page, "annotationCanvas")));
    EXPECT_EQ(hintTextsOf(page), QStringList({QStringLiteral("voltar à prévia"), QStringLiteral("atalhos")}));
    const QUuid id = *model.document().startAnnotation({100, 100});
    model.document().updateAnnotation(id, {600, 500});
    model.document().finishAnnotation(id);
    EXPECT_EQ(summaryOf(page, "editSummary")->text(), QStringLiteral("· 1 anotação"));
    EXPECT_EQ(hintTextsOf(page), QStringList({QStringLiteral("voltar à prévia"), QStringLiteral("apagar"),
                                              QStringLiteral("atalhos"), QStringLiteral("desfazer")}));
    model.document().undo();
    model.document().setTool(EditorTool::preview);
    EXPECT_EQ(currentCanvasOf(page), static_cast<QWidget *>(stageOf(page)));
    EXPECT_EQ(hintTextsOf(page),
              QStringList({QStringLiteral("ver original"), QStringLiteral("fechar"), QStringLiteral("atalhos")}));
    settle();
}

TEST_F(EditorViewTest, AnExportChangeAsksOneEstimateAndAStyleStoreChangeNone) {
    auto model = makeModel();
    show(model.get());
    settle();
    renderers.state->encodes = 0;
    ExportSettings settings = StyleStore::shared().exportSettings();
    settings.quality = 0.5;
    StyleStore::shared().setExportSettings(settings);
    settle(); // waits for the estimate's quarter second on its worker
    EXPECT_EQ(renderers.state->encodes, 1);
    renderers.state->encodes = 0;
    StyleStore::shared().setDefaultStyle(BeautyStyle{.padding = 10});
    settle();
    EXPECT_EQ(renderers.state->encodes, 0);
}

TEST_F(EditorViewTest, ButtonsCallTheModelAndOverlaysFollowItsFlags) {
    auto model = makeModel();
    EditorView &page = show(model.get());
    // "Comandos" opens the bar; the sheet lies above it when both are up.
    testsupport::namedChild<QAbstractButton>(page, "commandsButton")->click();
    EXPECT_TRUE(model->page().isCommandBarOpen());
    EXPECT_TRUE(commandBarOf(page)->isVisible());
    model->page().setShortcutsOpen(true);
    const QObjectList order = page.children();
    EXPECT_GT(order.indexOf(shortcutsSheetOf(page)), order.indexOf(commandBarOf(page)));
    model->page().setShortcutsOpen(false);
    model->page().setCommandBarOpen(false);
    testsupport::finishAnimations(page); // the fades out, at their end
    EXPECT_FALSE(commandBarOf(page)->isVisible());
    EXPECT_FALSE(shortcutsSheetOf(page)->isVisible());

    // The text-copy button starts a reading and, clicked again, stops it.
    EditorBottomBar &bar = *bottomBarOf(page);
    const QLabel *copyTextTitle = testsupport::namedChild<QLabel>(bar, "copyTextTitle");
    EXPECT_EQ(copyTextTitle->text(), QStringLiteral("Copiar texto"));
    testsupport::namedChild<QPushButton>(bar, "copyTextButton")->click();
    EXPECT_TRUE(model->page().isReadingText());
    EXPECT_EQ(copyTextTitle->text(), QStringLiteral("Lendo… clique para parar"));
    testsupport::namedChild<QPushButton>(bar, "copyTextButton")->click();
    EXPECT_FALSE(model->page().isReadingText());
    EXPECT_EQ(copyTextTitle->text(), QStringLiteral("Copiar texto"));
}

TEST_F(EditorViewTest, TheBackdropSheetFollowsTheDraftAndClearsItHoweverItCloses) {
    std::optional<BackdropSheet::Actions> actions;
    BackdropSheet::setContent(
        [&](QWidget *sheet, const BackdropSheet::Request &request, const BackdropSheet::Actions &a) {
            actions = a;
            EXPECT_EQ(request.saveTitle, QStringLiteral("Salvar e aplicar"));
            EXPECT_FALSE(request.sample.isNull());
            return new QWidget(sheet);
        });
    auto model = makeModel();
    EditorView &page = show(model.get());
    const QDialog *none = nullptr;
    EXPECT_EQ(backdropDialogOf(page), none);

    // A new backdrop: no delete; saving stores it, applies it and closes the sheet.
    model->newBackdrop();
    ASSERT_TRUE(actions);
    QPointer<QDialog> sheet = backdropDialogOf(page);
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_FALSE(actions->remove);
    Backdrop edited = model->page().backdropDraft()->backdrop;
    edited.name = QStringLiteral("Meu fundo");
    actions->save(edited);
    EXPECT_FALSE(model->page().backdropDraft());
    EXPECT_EQ(model->document().style().backdrop.id, edited.id);
    EXPECT_TRUE(testsupport::becomes([&] { return !sheet; })); // deleted later

    // A stored one: delete removes it and closes the sheet.
    actions.reset();
    model->editBackdrop(edited);
    ASSERT_TRUE(actions && actions->remove);
    sheet = backdropDialogOf(page);
    actions->remove();
    EXPECT_FALSE(model->page().backdropDraft());
    const QList<Backdrop> stored = StyleStore::shared().backdrops();
    EXPECT_TRUE(std::none_of(stored.begin(), stored.end(), [&](const Backdrop &b) { return b.id == edited.id; }));
    EXPECT_TRUE(testsupport::becomes([&] { return !sheet; }));

    // Closed by the window manager (or Escape): the draft goes too, so the editor's keys come back.
    model->editBackdrop(stored.first());
    backdropDialogOf(page)->reject();
    EXPECT_FALSE(model->page().backdropDraft());

    // The stand-in, until the backdrop editor installs its content: cancel clears the draft.
    BackdropSheet::setContent({});
    model->editBackdrop(stored.first());
    auto *cancel = backdropDialogOf(page)->findChild<QPushButton *>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancelar"));
    cancel->click();
    EXPECT_FALSE(model->page().backdropDraft());
}

TEST_F(EditorViewTest, SpaceReleasedWhereTheKeyTableCannotSeeItPutsTheResultBack) {
    auto model = makeModel();
    EditorView &page = show(model.get());
    model->page().setShowOriginal(true);
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&page, &deactivate);
    EXPECT_FALSE(model->page().showOriginal());
    model->page().setShowOriginal(true);
    page.hide(); // another page shown
    EXPECT_FALSE(model->page().showOriginal());
}
