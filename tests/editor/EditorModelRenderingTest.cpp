#include "editor/EditorFixture.h"

#include "brand/BrandStore.h"
#include "editor/AnnotationCanvas.h"

#include <QDir>
#include <QSignalSpy>

using editortest::EditorTest;
using editortest::settle;

namespace {

void waitMs(int ms) { QTest::qWait(ms); }

// The shared brand store with a logo on file and the given switch and position.
void setBrand(bool logoOnScreenshots, LogoPosition position) {
    BrandStore &brand = BrandStore::shared();
    BrandKit kit = brand.kit();
    kit.logoOnScreenshots = logoOnScreenshots;
    kit.logoPosition = position;
    brand.setKit(kit);
}

class EditorRenderingTest : public EditorTest {
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

    // Draws an arrow, as the canvas does.
    static void addArrow(EditorModel &model, double y) {
        model.setTool(EditorTool::arrow);
        const std::optional<QUuid> id = model.startAnnotation({0, y});
        model.updateAnnotation(*id, {100, y});
        model.finishAnnotation(*id);
    }
};

} // namespace

TEST_F(EditorRenderingTest, OnlyTheNewestRenderPublishes) {
    auto model = makeModel();
    // The first result landed and was estimated.
    EXPECT_EQ(model->outputSize(), QSize(10, int(BeautyStyle{}.padding) + 1));
    EXPECT_EQ(model->estimatedBytes(), model->outputSize().width() * model->outputSize().height());
    EXPECT_EQ(model->exportPixelSize(), model->outputSize());

    QSignalSpy published(model.get(), &EditorModel::previewChanged);
    const int before = renderers.state->beautifies;
    renderers.state->gated = true;
    addArrow(*model, 10);
    ASSERT_TRUE(renderers.state->waiting.tryAcquire(1, 5000)); // the first edit's render is under way
    addArrow(*model, 20);
    addArrow(*model, 30);
    renderers.state->gated = false;
    renderers.state->gate.release(2);
    settle();
    // Three marks rendered, and only that result was published; the second edit's state, superseded
    // while it waited for the first render, was never rendered.
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(model->preview().width(), 40);
    EXPECT_EQ(model->outputSize().width(), 40);
    EXPECT_EQ(renderers.state->beautifies - before, 2);
}

TEST_F(EditorRenderingTest, ExportChangesWithinAQuarterSecondEncodeOnce) {
    auto model = makeModel();
    const int encodes = renderers.state->encodes;
    QSignalSpy sizes(model.get(), &EditorModel::exportPixelSizeChanged);
    QSignalSpy bytes(model.get(), &EditorModel::estimatedBytesChanged);
    const QList<ExportScale> scales{ExportScale::standard, ExportScale::retina, ExportScale::standard};
    for (ExportScale scale : scales) {
        StyleStore::shared().setExportSettings({ExportFormat::png, 0.85, scale});
        model->updateEstimate();
        waitMs(40);
    }
    // The old figures stay on view while the estimate waits.
    EXPECT_EQ(sizes.count(), 0);
    settle();
    waitMs(300);
    settle();
    EXPECT_EQ(renderers.state->encodes, encodes + 1);
    EXPECT_EQ(sizes.count(), 1);
    EXPECT_EQ(bytes.count(), 1);
    EXPECT_EQ(model->exportPixelSize(), model->outputSize() / 2);

    // A failed encoding leaves no byte count but the pixel size.
    renderers.state->failEncoding = true;
    StyleStore::shared().setExportSettings({ExportFormat::heic, 0.85, ExportScale::retina});
    model->updateEstimate();
    waitMs(300);
    settle();
    EXPECT_EQ(model->estimatedBytes(), std::nullopt);
    EXPECT_EQ(model->exportPixelSize(), model->outputSize());
}

TEST_F(EditorRenderingTest, AnEmptyResultKeepsWhatIsShown) {
    auto model = makeModel();
    const QImage preview = model->preview();
    const QSize output = model->outputSize();
    const int encodes = renderers.state->encodes;
    QSignalSpy published(model.get(), &EditorModel::previewChanged);

    BeautyStyle empty = model->style();
    empty.padding = 999;
    model->setStyle(empty);
    addArrow(*model, 10);
    settle();
    waitMs(300);
    settle();
    EXPECT_EQ(published.count(), 0);
    EXPECT_EQ(model->preview().cacheKey(), preview.cacheKey());
    EXPECT_EQ(model->outputSize(), output);
    EXPECT_EQ(renderers.state->encodes, encodes); // no estimate started
    // The last result is still the one an estimate reads.
    model->updateEstimate();
    waitMs(300);
    settle();
    EXPECT_EQ(renderers.state->lastEncoded, output);
}

TEST_F(EditorRenderingTest, RefreshRendersOnlyForAnotherLogo) {
    auto model = makeModel();
    const int renders = renderers.state->beautifies;
    model->refresh();
    setBrand(false, LogoPosition::topLeft); // no logo stamped either way
    model->refresh();
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders);

    setBrand(true, LogoPosition::bottomRight);
    model->refresh();
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders + 1);
    model->refresh(); // the same image object, placed alike
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders + 1);
    setBrand(true, LogoPosition::topLeft);
    model->refresh();
    settle();
    EXPECT_EQ(renderers.state->beautifies, renders + 2);
    EXPECT_EQ(renderers.state->lastLogo->position, LogoPosition::topLeft);
}

TEST_F(EditorRenderingTest, TheFinalImageIsRenderedNowFromTheCurrentState) {
    auto model = makeModel();
    model->setTool(EditorTool::text);
    const std::optional<QUuid> typed = model->startAnnotation({10, 10});
    model->setText(*typed, QStringLiteral("Oi"));
    // The logo is read as it is now, not as the last render saw it.
    setBrand(true, LogoPosition::topCenter);
    const QImage image = model->finalImage(ExportSettings{ExportFormat::png, 1, ExportScale::standard});
    EXPECT_EQ(model->editingTextID(), std::nullopt);
    EXPECT_EQ(renderers.state->lastAnnotations.size(), 1);
    ASSERT_TRUE(renderers.state->lastLogo);
    EXPECT_EQ(renderers.state->lastLogo->position, LogoPosition::topCenter);
    EXPECT_EQ(image.size(), QSize(20, int(BeautyStyle{}.padding) + 1) / 2);

    const std::optional<QUuid> blank = model->startAnnotation({10, 40});
    model->setText(*blank, QStringLiteral("  "));
    model->finalImage();
    EXPECT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(renderers.state->lastAnnotations.size(), 1);

    BeautyStyle empty = model->style();
    empty.padding = 999;
    model->setStyle(empty);
    EXPECT_TRUE(model->finalImage().isNull());
}

TEST_F(EditorRenderingTest, AModelDeletedMidRenderOrEstimateIsDroppedCleanly) {
    auto model = makeModel();
    QPointer<EditorModel> watched(model.get());
    renderers.state->gated = true;
    addArrow(*model, 10);
    ASSERT_TRUE(renderers.state->waiting.tryAcquire(1, 5000));
    StyleStore::shared().setExportSettings({ExportFormat::jpeg, 0.5, ExportScale::retina});
    model->updateEstimate(); // waiting its quarter second
    model.reset();
    renderers.state->gated = false;
    renderers.state->gate.release();
    settle();
    EXPECT_FALSE(watched);

    // The real renderers, deleted while they work on a large capture.
    QImage large(2880, 1800, QImage::Format_RGB32);
    large.fill(Qt::darkGreen);
    for (int i = 0; i < 3; ++i) {
        auto real = std::make_unique<EditorModel>(large, QString(), std::nullopt);
        addArrow(*real, 100);
        real.reset();
        QCoreApplication::processEvents();
    }
    settle();
}

// A model another capture replaced lives on a few turns while its page goes: its render in flight
// ends there, nothing starts again, and later edits start nothing either.
TEST_F(EditorRenderingTest, AStoppedModelStartsNoMoreWork) {
    auto model = makeModel();
    const int encodes = renderers.state->encodes;
    renderers.state->gated = true;
    addArrow(*model, 10);
    ASSERT_TRUE(renderers.state->waiting.tryAcquire(1, 5000));
    const int started = renderers.state->beautifies;
    model->stopBackgroundWork();
    renderers.state->gated = false;
    renderers.state->gate.release();
    settle();
    addArrow(*model, 20);
    model->updateEstimate();
    settle();
    EXPECT_EQ(renderers.state->beautifies, started);
    EXPECT_EQ(renderers.state->encodes, encodes);
}

// Closing the window lets the rendered preview go; showing it again renders the same state, marks
// and all, and an editor that still has its preview renders nothing more.
TEST_F(EditorRenderingTest, AReleasedPreviewIsRenderedAgainFromTheSameState) {
    auto model = makeModel();
    addArrow(*model, 10);
    settle();
    const QImage shown = model->preview();
    ASSERT_FALSE(shown.isNull());
    const QSize output = model->outputSize();
    model->releaseCaches();
    EXPECT_TRUE(model->preview().isNull());
    EXPECT_EQ(model->outputSize(), output);
    EXPECT_TRUE(model->canUndo());
    const int before = renderers.state->beautifies;
    model->ensurePreview();
    settle();
    EXPECT_EQ(model->preview(), shown);
    model->ensurePreview();
    settle();
    EXPECT_EQ(renderers.state->beautifies - before, 1);
}

// The text engine is kept started while the editor is on the screen, so that its first "Copiar texto"
// pays no start; out of sight, or replaced by another capture, it is let go.
TEST_F(EditorRenderingTest, TheTextReaderIsKeptReadyOnlyWhileTheEditorIsSeen) {
    auto model = makeModel();
    EXPECT_EQ(renderers.state->readersKept, 1);
    model->releaseCaches();
    EXPECT_EQ(renderers.state->readersKept, 0);
    model->ensurePreview();
    model->ensurePreview();
    EXPECT_EQ(renderers.state->readersKept, 1);
    model->stopBackgroundWork();
    EXPECT_EQ(renderers.state->readersKept, 0);
    model->ensurePreview();
    EXPECT_EQ(renderers.state->readersKept, 0);
    auto another = makeModel();
    another.reset();
    EXPECT_EQ(renderers.state->readersKept, 0);
}

// Out of sight, an opaque capture is held only packed: its pixels are let go, and it comes back pixel
// for pixel, through the next render or at once when asked for. One with transparency stays as it is.
TEST_F(EditorRenderingTest, AnEditorNobodySeesHoldsItsCaptureOnlyPacked) {
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
                delete[] *pixels;
                *pixels = nullptr;
            },
            &buffer);
        expected = capture.copy();
        model = std::make_unique<EditorModel>(capture, QString(), std::nullopt);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model->preview().isNull(); }, 10000));
    const qint64 key = model->originalKey();
    addArrow(*model, 10);

    model->releaseCaches();
    EXPECT_TRUE(QTest::qWaitFor([&] { return buffer == nullptr; }, 10000));
    EXPECT_TRUE(model->isOriginalPacked());
    EXPECT_EQ(model->imageSize(), QSize(width, height));
    EXPECT_EQ(model->originalKey(), key);
    EXPECT_TRUE(model->preview().isNull());
    // The canvas does not unpack it on the main thread: it paints blank until the render has.
    AnnotationCanvas canvas(model.get());
    canvas.resize(400, 300);
    canvas.grab();
    EXPECT_TRUE(model->isOriginalPacked());
    model->ensurePreview();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model->preview().isNull(); }, 10000));
    EXPECT_FALSE(model->isOriginalPacked());
    EXPECT_EQ(model->original(), expected);
    EXPECT_TRUE(model->canUndo());

    model->releaseCaches();
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->isOriginalPacked(); }, 10000));
    EXPECT_EQ(model->original(), expected);
    EXPECT_FALSE(model->isOriginalPacked());

    // Shown again before the packing is done: the capture stays held.
    model->ensurePreview();
    settle();
    model->releaseCaches();
    model->ensurePreview();
    settle();
    EXPECT_FALSE(model->isOriginalPacked());
    EXPECT_FALSE(model->preview().isNull());

    QImage seeThrough(64, 48, QImage::Format_ARGB32_Premultiplied);
    seeThrough.fill(QColor(10, 20, 30, 128));
    EditorModel translucent(seeThrough, QString(), std::nullopt);
    settle();
    translucent.releaseCaches();
    settle();
    EXPECT_FALSE(translucent.isOriginalPacked());
    EXPECT_EQ(translucent.original(), seeThrough);
}
