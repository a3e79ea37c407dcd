#include "editor/EditorFixture.h"

#include "brand/BrandStore.h"
#include "editor/AnnotationCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/EditorRenderJob.h"
#include "editor/EditorRenderers.h"
#include "support/Waiting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>

using editortest::BusyEstimateWorkers;
using editortest::EditorTest;
using editortest::settle;

namespace {

// The shared brand store with a logo on file and the given switch and position.
void setBrand(bool logoOnScreenshots, LogoPosition position) {
    BrandStore &brand = BrandStore::shared();
    BrandKit kit = brand.kit();
    kit.logoOnScreenshots = logoOnScreenshots;
    kit.logoPosition = position;
    brand.setKit(kit);
}

class RenderJobTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        QImage logo(40, 20, QImage::Format_ARGB32_Premultiplied);
        logo.fill(Qt::red);
        ASSERT_TRUE(logo.save(QDir(BrandStore::shared().folder()).filePath(QStringLiteral("logo.png"))));
        BrandStore::shared().loadLogo();
        setBrand(false, LogoPosition::bottomRight);
    }
    void TearDown() override {
        setBrand(false, LogoPosition::bottomRight);
        EditorTest::TearDown();
    }

    // A document and its render job over the fake renderers, the first result delivered.
    struct Rendered {
        std::unique_ptr<EditorDocument> document;
        std::unique_ptr<EditorRenderJob> job; // goes first
    };
    Rendered makeJob(QSize size = {800, 600}) {
        Rendered made{makeDocument(size), nullptr};
        made.job = std::make_unique<EditorRenderJob>(*made.document, StyleStore::shared(), renderers);
        settle();
        return made;
    }

    // Draws an arrow, as the canvas does.
    static void addArrow(EditorDocument &document, double y) {
        document.setTool(EditorTool::arrow);
        const std::optional<QUuid> id = document.startAnnotation({0, y});
        document.updateAnnotation(*id, {100, y});
        document.finishAnnotation(*id);
    }
};

} // namespace

TEST_F(RenderJobTest, OnlyTheNewestRenderPublishes) {
    auto [document, job] = makeJob();
    // The first result landed and was estimated.
    EXPECT_EQ(job->outputSize(), QSize(10, int(BeautyStyle{}.padding) + 1));
    EXPECT_EQ(job->estimatedBytes(), job->outputSize().width() * job->outputSize().height());
    EXPECT_EQ(job->exportPixelSize(), job->outputSize());

    QSignalSpy published(job.get(), &EditorRenderJob::previewChanged);
    const int before = renderers.state->beautifies;
    renderers.state->gated = true;
    addArrow(*document, 10);
    // The first edit's render is under way.
    ASSERT_TRUE(renderers.state->waiting.tryAcquire(1, testsupport::patienceMs));
    addArrow(*document, 20);
    addArrow(*document, 30);
    renderers.state->gated = false;
    renderers.state->gate.release(2);
    settle();
    // Three marks rendered, and only that result was published; the second edit's state, superseded
    // while it waited for the first render, was never rendered.
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(job->preview().width(), 40);
    EXPECT_EQ(job->outputSize().width(), 40);
    EXPECT_EQ(renderers.state->beautifies - before, 2);
}

TEST_F(RenderJobTest, ExportChangesWithinAQuarterSecondEncodeOnce) {
    auto [document, job] = makeJob();
    const int encodes = renderers.state->encodes;
    QSignalSpy sizes(job.get(), &EditorRenderJob::exportPixelSizeChanged);
    QSignalSpy bytes(job.get(), &EditorRenderJob::estimatedBytesChanged);
    // The estimate workers held busy: the three changes come before any estimate has waited its time,
    // however slowly this machine runs them.
    BusyEstimateWorkers busy;
    ASSERT_TRUE(busy.allBusy());
    const QList<ExportScale> scales{ExportScale::standard, ExportScale::retina, ExportScale::standard};
    for (ExportScale scale : scales) {
        StyleStore::shared().setExportSettings({ExportFormat::png, 0.85, scale});
        job->updateEstimate();
    }
    QElapsedTimer sinceFree;
    sinceFree.start();
    busy.free();
    // The old figures stay on view while the estimate waits its quarter second.
    ASSERT_TRUE(testsupport::received(sizes));
    EXPECT_GE(sinceFree.elapsed(), 250);
    settle();
    EXPECT_EQ(renderers.state->encodes, encodes + 1);
    EXPECT_EQ(sizes.count(), 1);
    EXPECT_EQ(bytes.count(), 1);
    EXPECT_EQ(job->exportPixelSize(), job->outputSize() / 2);

    // A failed encoding leaves no byte count but the pixel size.
    renderers.state->failEncoding = true;
    StyleStore::shared().setExportSettings({ExportFormat::heic, 0.85, ExportScale::retina});
    job->updateEstimate();
    settle(); // the estimate's worker, its quarter second included
    EXPECT_EQ(job->estimatedBytes(), std::nullopt);
    EXPECT_EQ(job->exportPixelSize(), job->outputSize());
}

TEST_F(RenderJobTest, AnEmptyResultKeepsWhatIsShown) {
    auto [document, job] = makeJob();
    const QImage preview = job->preview();
    const QSize output = job->outputSize();
    const int encodes = renderers.state->encodes;
    QSignalSpy published(job.get(), &EditorRenderJob::previewChanged);

    BeautyStyle empty = document->style();
    empty.padding = 999;
    document->setStyle(empty);
    addArrow(*document, 10);
    settle(); // renders, and any estimate they started, included
    EXPECT_EQ(published.count(), 0);
    EXPECT_EQ(job->preview().cacheKey(), preview.cacheKey());
    EXPECT_EQ(job->outputSize(), output);
    EXPECT_EQ(renderers.state->encodes, encodes); // no estimate started
    // The last result is still the one an estimate reads.
    job->updateEstimate();
    settle();
    EXPECT_EQ(renderers.state->lastEncoded, output);
}

TEST_F(RenderJobTest, RefreshRendersOnlyForAnotherLogo) {
    auto [document, job] = makeJob();
    const int renders = renderers.state->beautifies;
    job->refresh();
    setBrand(false, LogoPosition::topLeft); // no logo stamped either way
    job->refresh();
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders);

    setBrand(true, LogoPosition::bottomRight);
    job->refresh();
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders + 1);
    job->refresh(); // the same image object, placed alike
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders + 1);
    setBrand(true, LogoPosition::topLeft);
    job->refresh();
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders + 2);
    EXPECT_EQ(renderers.state->lastLogo->position, LogoPosition::topLeft);
}

// Through the model, which ends a text entry before it renders.
TEST_F(RenderJobTest, TheFinalImageIsRenderedNowFromTheCurrentState) {
    auto model = makeModel();
    model->document().setTool(EditorTool::text);
    const std::optional<QUuid> typed = model->document().startAnnotation({10, 10});
    model->document().setText(*typed, QStringLiteral("Oi"));
    // The logo is read as it is now, not as the last render saw it.
    setBrand(true, LogoPosition::topCenter);
    const QImage image = model->finalImage(ExportSettings{ExportFormat::png, 1, ExportScale::standard});
    EXPECT_EQ(model->document().editingTextID(), std::nullopt);
    EXPECT_EQ(renderers.state->lastAnnotations.size(), 1);
    ASSERT_TRUE(renderers.state->lastLogo);
    EXPECT_EQ(renderers.state->lastLogo->position, LogoPosition::topCenter);
    EXPECT_EQ(image.size(), QSize(20, int(BeautyStyle{}.padding) + 1) / 2);

    const std::optional<QUuid> blank = model->document().startAnnotation({10, 40});
    model->document().setText(*blank, QStringLiteral("  "));
    model->finalImage();
    EXPECT_EQ(model->document().annotations().size(), 1);
    EXPECT_EQ(renderers.state->lastAnnotations.size(), 1);

    BeautyStyle empty = model->document().style();
    empty.padding = 999;
    model->document().setStyle(empty);
    EXPECT_TRUE(model->finalImage().isNull());
}

TEST_F(RenderJobTest, AJobDeletedMidRenderOrEstimateIsDroppedCleanly) {
    auto [document, job] = makeJob();
    QPointer<EditorRenderJob> watched(job.get());
    renderers.state->gated = true;
    addArrow(*document, 10);
    ASSERT_TRUE(renderers.state->waiting.tryAcquire(1, testsupport::patienceMs));
    StyleStore::shared().setExportSettings({ExportFormat::jpeg, 0.5, ExportScale::retina});
    job->updateEstimate(); // waiting its quarter second
    job.reset();
    document.reset();
    renderers.state->gated = false;
    renderers.state->gate.release();
    settle();
    EXPECT_FALSE(watched);

    // Render jobs over the real renderers, deleted while they work on a large capture.
    QImage large(2880, 1800, QImage::Format_RGB32);
    large.fill(Qt::darkGreen);
    StandardEditorRenderers real;
    for (int i = 0; i < 3; ++i) {
        EditorDocument edited(large, QString(), BeautyStyle{}, &real);
        auto rendering = std::make_unique<EditorRenderJob>(edited, StyleStore::shared(), real);
        addArrow(edited, 100);
        rendering.reset();
        QCoreApplication::processEvents();
    }
    settle();
}

// A model calls the renderers shared when it was made, to its end; substitutes nest, each putting
// back the one it replaced.
TEST_F(RenderJobTest, AModelKeepsTheRenderersSharedWhenItWasMade) {
    const std::unique_ptr<EditorModel> first = makeModel();
    const int before = renderers.state->beautifies;
    {
        testsupport::SubstituteRenderers<editortest::FakeRenderers> later;
        addArrow(first->document(), 10);
        settle();
        EXPECT_EQ(later.state->beautifies, 0);
        const std::unique_ptr<EditorModel> second = makeModel();
        EXPECT_EQ(later.state->beautifies, 1);
    }
    EXPECT_EQ(renderers.state->beautifies, before + 1);
    EXPECT_EQ(&EditorRenderers::shared(), &renderers);
}

// The renderers' kept canvases serve the next editor, and go with the last one; an editor that opens
// while they are on their way out keeps them.
TEST_F(RenderJobTest, TheRenderersLetTheirCanvasesGoWithTheLastEditor) {
    std::unique_ptr<EditorModel> first = makeModel();
    std::unique_ptr<EditorModel> second = makeModel();
    const int before = renderers.state->releases;
    first.reset();
    settle();
    EXPECT_EQ(renderers.state->releases, before);
    second.reset();
    settle();
    EXPECT_EQ(renderers.state->releases, before + 1);

    // The last editor's leftovers wait behind busy workers while the next capture opens.
    std::unique_ptr<EditorModel> last = makeModel();
    BusyEstimateWorkers busy;
    ASSERT_TRUE(busy.allBusy());
    last.reset();
    QImage capture(800, 600, QImage::Format_ARGB32_Premultiplied);
    capture.fill(Qt::darkCyan);
    auto next = std::make_unique<EditorModel>(capture, QString(), std::nullopt, StyleStore::shared());
    busy.free();
    settle();
    EXPECT_EQ(renderers.state->releases, before + 1);
    next.reset();
    settle();
    EXPECT_EQ(renderers.state->releases, before + 2);
}

// The render job of a capture another one replaced lives on a few turns while its page goes: its
// render in flight ends there, nothing starts again, and later edits start nothing either.
TEST_F(RenderJobTest, AStoppedJobStartsNoMoreWork) {
    auto [document, job] = makeJob();
    const int encodes = renderers.state->encodes;
    renderers.state->gated = true;
    addArrow(*document, 10);
    ASSERT_TRUE(renderers.state->waiting.tryAcquire(1, testsupport::patienceMs));
    const int started = renderers.state->beautifies;
    job->stopBackgroundWork();
    renderers.state->gated = false;
    renderers.state->gate.release();
    settle();
    addArrow(*document, 20);
    job->updateEstimate();
    settle();
    EXPECT_EQ(renderers.state->beautifies, started);
    EXPECT_EQ(renderers.state->encodes, encodes);
}

// Closing the window lets the rendered preview go; showing it again renders the same state, marks
// and all, and an editor that still has its preview renders nothing more.
TEST_F(RenderJobTest, AReleasedPreviewIsRenderedAgainFromTheSameState) {
    auto [document, job] = makeJob();
    addArrow(*document, 10);
    settle();
    const QImage shown = job->preview();
    ASSERT_FALSE(shown.isNull());
    const QSize output = job->outputSize();
    job->releaseCaches();
    EXPECT_TRUE(job->preview().isNull());
    EXPECT_EQ(job->outputSize(), output);
    EXPECT_TRUE(document->canUndo());
    const int before = renderers.state->beautifies;
    job->ensurePreview();
    settle();
    EXPECT_EQ(job->preview(), shown);
    job->ensurePreview();
    settle();
    EXPECT_EQ(renderers.state->beautifies - before, 1);
}

// The text engine is kept started while the editor is on the screen, so that its first "Copiar texto"
// pays no start; out of sight, or replaced by another capture, it is let go.
TEST_F(RenderJobTest, TheTextReaderIsKeptReadyOnlyWhileTheEditorIsSeen) {
    auto [document, job] = makeJob();
    EXPECT_EQ(renderers.state->readersKept, 1);
    job->releaseCaches();
    EXPECT_EQ(renderers.state->readersKept, 0);
    job->ensurePreview();
    job->ensurePreview();
    EXPECT_EQ(renderers.state->readersKept, 1);
    job->stopBackgroundWork();
    EXPECT_EQ(renderers.state->readersKept, 0);
    job->ensurePreview();
    EXPECT_EQ(renderers.state->readersKept, 0);
    makeJob(); // made and let go at once
    EXPECT_EQ(renderers.state->readersKept, 0);
}

// Out of sight, an opaque capture is held only packed: its pixels are let go, and it comes back pixel
// for pixel, through the next render or at once when asked for. One with transparency stays as it is.
// Through the model, as the canvas sees it.
TEST_F(RenderJobTest, AnEditorNobodySeesHoldsItsCaptureOnlyPacked) {
    const testsupport::SubstituteRenderers<> standard;
    constexpr int width = 320, height = 200;
    auto *buffer = new quint32[width * height];
    for (int i = 0; i < width * height; ++i) buffer[i] = 0xFF000000u | quint32(i * 2654435761u >> 8);
    std::unique_ptr<EditorModel> model;
    QImage expected;
    {
        const QImage capture(
            reinterpret_cast<uchar *>(buffer), width, height, width * 4, QImage::Format_RGB32,
            [](void *info) {
                auto *pixels = static_cast<quint32 **>(info);
                delete[] * pixels;
                *pixels = nullptr;
            },
            &buffer);
        expected = capture.copy();
        model = std::make_unique<EditorModel>(capture, QString(), std::nullopt, StyleStore::shared());
    }
    EXPECT_TRUE(testsupport::becomes([&] { return !model->render().preview().isNull(); }));
    const qint64 key = model->document().originalKey();
    addArrow(model->document(), 10);

    model->render().releaseCaches();
    EXPECT_TRUE(testsupport::becomes([&] { return buffer == nullptr; }));
    EXPECT_TRUE(model->document().isOriginalPacked());
    EXPECT_EQ(model->document().imageSize(), QSize(width, height));
    EXPECT_EQ(model->document().originalKey(), key);
    EXPECT_TRUE(model->render().preview().isNull());
    // The canvas does not unpack it on the main thread: it paints blank until the render has.
    AnnotationCanvas canvas(&model->document(), &model->render());
    canvas.resize(400, 300);
    canvas.grab();
    EXPECT_TRUE(model->document().isOriginalPacked());
    model->render().ensurePreview();
    EXPECT_TRUE(testsupport::becomes([&] { return !model->render().preview().isNull(); }));
    EXPECT_FALSE(model->document().isOriginalPacked());
    EXPECT_EQ(model->document().original(), expected);
    EXPECT_TRUE(model->document().canUndo());

    model->render().releaseCaches();
    EXPECT_TRUE(testsupport::becomes([&] { return model->document().isOriginalPacked(); }));
    EXPECT_EQ(model->document().original(), expected);
    EXPECT_FALSE(model->document().isOriginalPacked());

    // Shown again before the packing is done: the capture stays held.
    model->render().ensurePreview();
    settle();
    model->render().releaseCaches();
    model->render().ensurePreview();
    settle();
    EXPECT_FALSE(model->document().isOriginalPacked());
    EXPECT_FALSE(model->render().preview().isNull());

    QImage seeThrough(64, 48, QImage::Format_ARGB32_Premultiplied);
    seeThrough.fill(QColor(10, 20, 30, 128));
    EditorModel translucent(seeThrough, QString(), std::nullopt, StyleStore::shared());
    settle();
    translucent.render().releaseCaches();
    settle();
    EXPECT_FALSE(translucent.document().isOriginalPacked());
    EXPECT_EQ(translucent.document().original(), seeThrough);
}
