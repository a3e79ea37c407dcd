#include "editor/EditorRenderJob.h"

#include "brand/BrandStore.h"
#include "core/AnnotationRenderer.h"
#include "core/StyleStore.h"
#include "editor/EditorDocument.h"
#include "editor/CancelFlag.h"
#include "platform/Memory.h"
#include "platform/ThreadPriority.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <utility>

namespace {

// Rapid changes (a quality slider, several edits) within this time encode once.
constexpr std::chrono::milliseconds estimateDelay{250};

// Runs `f` on the main thread later. Nothing runs once the application is gone.
template <typename F>
void onMainThread(F f) {
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(f), Qt::QueuedConnection);
}

// A new task's cancel flag, cancelling the one it replaces.
std::shared_ptr<CancelFlag> replaceTask(std::shared_ptr<CancelFlag> &task) {
    if (task) task->cancel();
    task = std::make_shared<CancelFlag>();
    return task;
}

} // namespace

EditorRenderJob::EditorRenderJob(EditorDocument &document, StyleStore &styles, EditorRenderers &renderers,
                                 QObject *parent)
    : QObject(parent), m_document(document), m_styles(styles), m_renderers(renderers) {
    m_cachesHeld = m_renderers.holdCaches();
    m_readerReady = m_renderers.keepReaderReady();
    connect(&m_document, &EditorDocument::contentChanged, this, &EditorRenderJob::rerender);
    rerender();
}

EditorRenderJob::~EditorRenderJob() {
    stopBackgroundWork();
    // The results and the beautifier's canvases are tens of megabytes whose unmapping would hold up
    // the frame after the next capture opens: they go on a worker, the canvases with the last editor.
    if (EditorThreads::isClosing()) return;
    EditorThreads::estimatePool().start([preview = std::move(m_preview), output = std::move(m_lastOutput),
                                         pixelated = std::move(m_pixelated), caches = std::move(m_cachesHeld)] {});
}

void EditorRenderJob::stopBackgroundWork() {
    m_stopped = true;
    m_readerReady.reset();
    for (const std::shared_ptr<CancelFlag> &task : {m_renderTask, m_estimateTask, m_packTask})
        if (task) task->cancel();
}

const QImage &EditorRenderJob::pixelatedImage() const {
    if (!m_pixelated) m_pixelated = AnnotationRenderer::pixelate(m_document.original());
    return *m_pixelated;
}

void EditorRenderJob::rerender() {
    // The render under way, if any, is superseded: it is dropped when it ends.
    replaceTask(m_renderTask);
    // One render at a time, the newest state next: two at once would halve each other's speed on a
    // busy or single core, and the newest would wait behind both. Nothing while nobody sees the
    // editor: ensurePreview renders then.
    if (!m_rendering && !m_released && !m_stopped) startRender();
}

void EditorRenderJob::startRender() {
    m_rendering = true;
    m_renderedLogo = BrandStore::shared().screenshotLogo();
    const std::shared_ptr<CancelFlag> flag = m_renderTask;
    QPointer<EditorRenderJob> self(this);
    // A packed capture is unpacked here, off the main thread, before its first render.
    const QImage &original = m_document.heldOriginal();
    const std::optional<QByteArray> packed = original.isNull() ? m_document.packedOriginal() : std::nullopt;
    // Values only: later edits cannot reach a running render.
    EditorThreads::renderPool().start([flag, self, renderers = &m_renderers, original, packed,
                                       style = m_document.style(), crop = m_document.crop(),
                                       annotations = m_document.annotations(), logo = m_renderedLogo] {
        // Below the GUI thread: a render the GUI thread wakes is often put beside it on its processor.
        platform::lowerCurrentThreadToBulkPriority();
        const QImage source = packed ? renderers->unpack(*packed) : original;
        // A superseded render is dropped anyway: skip what is left of its work.
        auto dropped = [&] { return flag->isCancelled() || EditorThreads::isClosing(); };
        QImage result;
        if (!dropped() && !(packed && source.isNull())) {
            const QImage annotated = renderers->annotate(source, crop, annotations);
            if (!dropped()) result = renderers->beautify(annotated, style, logo);
        }
        onMainThread([self, flag, result, unpacked = packed ? source : QImage()] {
            if (!self) return;
            if (!unpacked.isNull() && !self->m_released) self->m_document.adoptUnpacked(unpacked);
            self->renderEnded(*flag, result);
        });
    });
}

void EditorRenderJob::pack() {
    const QImage &original = m_document.heldOriginal();
    if (original.isNull() || m_stopped) return;
    const std::shared_ptr<CancelFlag> flag = replaceTask(m_packTask);
    QPointer<EditorRenderJob> self(this);
    EditorThreads::estimatePool().start([flag, self, renderers = &m_renderers, image = original]() mutable {
        platform::lowerCurrentThreadPriority();
        if (flag->isCancelled() || EditorThreads::isClosing()) return;
        std::optional<QByteArray> bytes = renderers->pack(image);
        image = QImage(); // the pixels go with the main thread's copy, not after this task
        onMainThread([self, flag, bytes = std::move(bytes)] {
            if (!self || flag->isCancelled() || !bytes || self->m_document.heldOriginal().isNull()) return;
            self->m_document.packOriginal(*bytes);
            platform::Memory::releaseFreeMemorySoon();
        });
    });
}

void EditorRenderJob::renderEnded(const CancelFlag &flag, const QImage &result) {
    m_rendering = false;
    if (flag.isCancelled()) {
        // Again only for a newer state: the task was replaced, not stopped.
        const bool newer = m_renderTask.get() != &flag && !m_renderTask->isCancelled();
        if (newer && !m_released && !m_stopped) startRender();
        return;
    }
    if (!result.isNull()) publishRender(result);
}

void EditorRenderJob::publishRender(const QImage &result) {
    if (m_released) return; // nobody sees it: the next show renders again
    m_preview = result;
    emit previewChanged();
    if (result.size() != m_outputSize) {
        m_outputSize = result.size();
        emit outputSizeChanged();
    }
    m_lastOutput = result;
    updateEstimate();
}

void EditorRenderJob::refresh() {
    if (BrandStore::shared().screenshotLogo() != m_renderedLogo) rerender();
}

void EditorRenderJob::releaseCaches() {
    m_released = true;
    m_readerReady.reset();
    m_renderers.releaseCaches();
    m_pixelated.reset();
    if (m_estimateTask) m_estimateTask->cancel();
    pack();
    if (m_preview.isNull()) return;
    // The window's closing stays quick.
    EditorThreads::releaseOnWorker(std::exchange(m_preview, QImage()), std::exchange(m_lastOutput, QImage()));
    emit previewChanged();
}

void EditorRenderJob::ensurePreview() {
    m_released = false;
    if (!m_readerReady && !m_stopped) m_readerReady = m_renderers.keepReaderReady();
    if (m_packTask) m_packTask->cancel();
    if (m_preview.isNull() && !m_rendering) rerender();
}

void EditorRenderJob::updateEstimate() {
    if (m_lastOutput.isNull() || m_stopped) return;
    const ExportSettings settings = m_styles.exportSettings();
    const std::shared_ptr<CancelFlag> flag = replaceTask(m_estimateTask);
    QPointer<EditorRenderJob> self(this);
    EditorThreads::estimatePool().start([flag, self, renderers = &m_renderers, image = m_lastOutput, settings] {
        platform::lowerCurrentThreadPriority();
        if (!flag->sleepFor(estimateDelay) || EditorThreads::isClosing()) return;
        const QImage prepared = renderers->prepare(image, settings);
        const std::optional<QByteArray> bytes = renderers->encode(prepared, settings);
        const std::optional<qint64> count = bytes ? std::optional<qint64>(bytes->size()) : std::nullopt;
        onMainThread([self, flag, count, pixels = prepared.size()] {
            if (!self || flag->isCancelled()) return;
            self->publishEstimate(count, pixels);
        });
    });
}

void EditorRenderJob::publishEstimate(std::optional<qint64> bytes, QSize pixels) {
    if (bytes != m_estimatedBytes) {
        m_estimatedBytes = bytes;
        emit estimatedBytesChanged();
    }
    if (pixels != m_exportPixelSize) {
        m_exportPixelSize = pixels;
        emit exportPixelSizeChanged();
    }
}

QImage EditorRenderJob::finalImage(const std::optional<ExportSettings> &settings) const {
    const QImage annotated = m_renderers.annotate(m_document.original(), m_document.crop(), m_document.annotations());
    const QImage result = m_renderers.beautify(annotated, m_document.style(), BrandStore::shared().screenshotLogo());
    if (result.isNull()) return {};
    return m_renderers.prepare(result, settings.value_or(m_styles.exportSettings()));
}
