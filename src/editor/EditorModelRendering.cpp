// EditorModel: the background render of the result and the estimate of its export.
#include "editor/EditorModel.h"

#include "brand/BrandStore.h"
#include "core/StyleStore.h"
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

void EditorModel::rerender() {
    // The render under way, if any, is superseded: it is dropped when it ends.
    replaceTask(m_renderTask);
    // One render at a time, the newest state next: two at once would halve each other's speed on a
    // busy or single core, and the newest would wait behind both. Nothing while nobody sees the
    // editor: ensurePreview renders then.
    if (!m_rendering && !m_released && !m_stopped) startRender();
}

void EditorModel::startRender() {
    m_rendering = true;
    m_renderedLogo = BrandStore::shared().screenshotLogo();
    const std::shared_ptr<CancelFlag> flag = m_renderTask;
    QPointer<EditorModel> self(this);
    // A packed capture is unpacked here, off the main thread, before its first render.
    const std::optional<QByteArray> packed = m_original.isNull() ? m_packed : std::nullopt;
    // Values only: later edits cannot reach a running render.
    EditorThreads::renderPool().start([flag, self, renderers = m_renderers, original = m_original, packed,
                                       style = m_style, crop = m_crop, annotations = m_annotations,
                                       logo = m_renderedLogo] {
        // Below the GUI thread: a render the GUI thread wakes is often put beside it on its processor.
        platform::lowerCurrentThreadToBulkPriority();
        const QImage source = packed ? renderers.unpack(*packed) : original;
        // A superseded render is dropped anyway: skip what is left of its work.
        auto dropped = [&] { return flag->isCancelled() || EditorThreads::isClosing(); };
        QImage result;
        if (!dropped() && !(packed && source.isNull())) {
            const QImage annotated = renderers.annotate(source, crop, annotations);
            if (!dropped()) result = renderers.beautify(annotated, style, logo);
        }
        onMainThread([self, flag, result, unpacked = packed ? source : QImage()] {
            if (!self) return;
            if (!unpacked.isNull() && !self->m_released) self->adoptUnpacked(unpacked);
            self->renderEnded(*flag, result);
        });
    });
}

void EditorModel::adoptUnpacked(const QImage &image) const {
    if (!m_original.isNull() || image.isNull()) return;
    m_original = image;
    m_packed.reset();
}

void EditorModel::pack() {
    if (m_packed || m_original.isNull() || !m_renderers.pack || !m_renderers.unpack || m_stopped) return;
    const std::shared_ptr<CancelFlag> flag = replaceTask(m_packTask);
    QPointer<EditorModel> self(this);
    EditorThreads::estimatePool().start([flag, self, pack = m_renderers.pack, image = m_original]() mutable {
        platform::lowerCurrentThreadPriority();
        if (flag->isCancelled() || EditorThreads::isClosing()) return;
        std::optional<QByteArray> bytes = pack(image);
        image = QImage(); // the pixels go with the main thread's copy, not after this task
        onMainThread([self, flag, bytes = std::move(bytes)] {
            if (!self || flag->isCancelled() || !bytes || self->m_original.isNull()) return;
            self->m_packed = *bytes;
            self->m_original = QImage();
            platform::Memory::releaseFreeMemorySoon();
        });
    });
}

void EditorModel::renderEnded(const CancelFlag &flag, const QImage &result) {
    m_rendering = false;
    if (flag.isCancelled()) {
        // Again only for a newer state: the task was replaced, not stopped.
        const bool newer = m_renderTask.get() != &flag && !m_renderTask->isCancelled();
        if (newer && !m_released && !m_stopped) startRender();
        return;
    }
    if (!result.isNull()) publishRender(result);
}

void EditorModel::publishRender(const QImage &result) {
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

void EditorModel::refresh() {
    if (BrandStore::shared().screenshotLogo() != m_renderedLogo) rerender();
}

void EditorModel::releaseCaches() {
    m_released = true;
    m_readerReady.reset();
    if (m_renderers.releaseCaches) m_renderers.releaseCaches();
    m_pixelated.reset();
    if (m_estimateTask) m_estimateTask->cancel();
    pack();
    if (m_preview.isNull()) return;
    // The window's closing stays quick.
    EditorThreads::releaseOnWorker(std::exchange(m_preview, QImage()), std::exchange(m_lastOutput, QImage()));
    emit previewChanged();
}

void EditorModel::ensurePreview() {
    m_released = false;
    if (!m_readerReady && !m_stopped && m_renderers.keepReaderReady) m_readerReady = m_renderers.keepReaderReady();
    if (m_packTask) m_packTask->cancel();
    if (m_preview.isNull() && !m_rendering) rerender();
}

void EditorModel::updateEstimate() {
    if (m_lastOutput.isNull() || m_stopped) return;
    const ExportSettings settings = StyleStore::shared().exportSettings();
    const std::shared_ptr<CancelFlag> flag = replaceTask(m_estimateTask);
    QPointer<EditorModel> self(this);
    EditorThreads::estimatePool().start([flag, self, renderers = m_renderers, image = m_lastOutput, settings] {
        platform::lowerCurrentThreadPriority();
        if (!flag->sleepFor(estimateDelay) || EditorThreads::isClosing()) return;
        const QImage prepared = renderers.prepare(image, settings);
        const std::optional<QByteArray> bytes = renderers.encode(prepared, settings);
        const std::optional<qint64> count = bytes ? std::optional<qint64>(bytes->size()) : std::nullopt;
        onMainThread([self, flag, count, pixels = prepared.size()] {
            if (!self || flag->isCancelled()) return;
            self->publishEstimate(count, pixels);
        });
    });
}

void EditorModel::publishEstimate(std::optional<qint64> bytes, QSize pixels) {
    if (bytes != m_estimatedBytes) {
        m_estimatedBytes = bytes;
        emit estimatedBytesChanged();
    }
    if (pixels != m_exportPixelSize) {
        m_exportPixelSize = pixels;
        emit exportPixelSizeChanged();
    }
}

QImage EditorModel::finalImage(const std::optional<ExportSettings> &settings) {
    finishTextEditing();
    const QImage annotated = m_renderers.annotate(original(), m_crop, m_annotations);
    const QImage result = m_renderers.beautify(annotated, m_style, BrandStore::shared().screenshotLogo());
    if (result.isNull()) return {};
    return m_renderers.prepare(result, settings.value_or(StyleStore::shared().exportSettings()));
}
