#include "editor/EditorRenderers.h"

#include "core/AnnotationRenderer.h"
#include "core/BeautifyCache.h"
#include "core/Exporter.h"
#include "core/ImageRecycler.h"
#include "core/TextRecognizer.h"
#include "platform/ImageChecks.h"
#include "platform/ImageFile.h"
#include "platform/PngEncoder.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <utility>

std::shared_ptr<void> EditorRenderers::holdCaches() {
    QMutexLocker lock(&m_holdersMutex);
    if (std::shared_ptr<void> held = m_holders.lock()) return held;
    // The token points at the mutex only so that it is not null; nothing is deleted.
    std::shared_ptr<void> held(static_cast<void *>(&m_holdersMutex), [this](void *) {
        QMutexLocker relock(&m_holdersMutex);
        if (m_holders.expired()) releaseCaches();
    });
    m_holders = held;
    return held;
}

StandardEditorRenderers::StandardEditorRenderers()
    : m_beautified(std::make_unique<BeautifyCache>()), m_marked(std::make_unique<ImageRecycler>(1)) {}

StandardEditorRenderers::~StandardEditorRenderers() = default;

QImage StandardEditorRenderers::annotate(const QImage &image, std::optional<QRectF> crop,
                                         const QList<Annotation> &annotations) {
    QImage storage = m_marked->take(image.size(), QImage::Format_ARGB32_Premultiplied);
    const QImage out = AnnotationRenderer::render(image, crop, annotations, &storage);
    if (out.cacheKey() != image.cacheKey()) m_marked->keep(out);
    return out;
}

QImage StandardEditorRenderers::beautify(const QImage &image, const BeautyStyle &style,
                                         const std::optional<BrandLogo> &logo) {
    return m_beautified->render(image, style, logo);
}

QImage StandardEditorRenderers::prepare(const QImage &image, const ExportSettings &settings) {
    return Exporter::prepare(image, settings);
}

std::optional<QByteArray> StandardEditorRenderers::encode(const QImage &image, const ExportSettings &settings) {
    return Exporter::encode(image, settings);
}

QFuture<QString> StandardEditorRenderers::readText(const QImage &image, std::chrono::milliseconds limit) {
    return TextRecognizer::recognize(image, limit, TextRecognizer::Priority::userInitiated);
}

QFuture<QList<QRectF>> StandardEditorRenderers::findSensitive(const QImage &image, std::chrono::milliseconds limit) {
    return TextRecognizer::sensitiveRegions(image, limit);
}

void StandardEditorRenderers::releaseCaches() {
    m_beautified->clear();
    m_marked->clear();
}

// PNG, thoroughly deflated (the bytes are held for as long as the editor is out of sight) with the
// filter that is quickest to undo (the next show waits for it); an opaque picture comes back from them
// pixel for pixel.
std::optional<QByteArray> StandardEditorRenderers::pack(const QImage &image) {
    if (platform::hasTransparentPixels(image)) return std::nullopt;
    return platform::PngEncoder::encode(image, {6, platform::PngEncoder::Filter::up, 0});
}

QImage StandardEditorRenderers::unpack(const QByteArray &bytes) { return platform::ImageFile::decode(bytes); }

std::shared_ptr<void> StandardEditorRenderers::keepReaderReady() { return TextRecognizer::keepReady(); }

template <>
EditorRenderers &platform::SharedService<EditorRenderers>::real() {
    static StandardEditorRenderers renderers;
    return renderers;
}

namespace EditorThreads {

namespace {

std::atomic<bool> closing{false};

QThreadPool *makePool(const QString &name, QThread::Priority priority, int threads) {
    auto *pool = new QThreadPool; // lives as long as the process
    pool->setObjectName(name);
    pool->setThreadPriority(priority);
    pool->setMaxThreadCount(threads);
    return pool;
}

// Runs as the application object goes, before it takes down the thread pool that Qt's own image
// work uses: after that, a render still drawing would crash.
void drainPools() {
    closing = true;
    for (QThreadPool *pool : {&renderPool(), &estimatePool()}) {
        pool->clear();
        pool->waitForDone();
    }
}

// The pools exist from the first render on; the application's end drains them.
QThreadPool *registered(QThreadPool *pool) {
    static const bool once = [] {
        qAddPostRoutine(&drainPools);
        return true;
    }();
    Q_UNUSED(once);
    return pool;
}

} // namespace

QThreadPool &renderPool() {
    // Each model renders one state at a time; two threads let two open models render side by side.
    static QThreadPool *pool = registered(makePool(QStringLiteral("EditorRender"), QThread::NormalPriority, 2));
    return *pool;
}

QThreadPool &estimatePool() {
    // Qt's low priority does nothing under Linux's normal scheduler: each task lowers its thread.
    static QThreadPool *pool = registered(makePool(QStringLiteral("SizeEstimate"), QThread::LowPriority, 2));
    return *pool;
}

bool isClosing() { return closing; }

void releaseOnWorker(QImage first, QImage second) {
    if (!closing) estimatePool().start([first = std::move(first), second = std::move(second)] {});
}

} // namespace EditorThreads
