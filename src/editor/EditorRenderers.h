#pragma once

#include "brand/art/BrandLogo.h"
#include "core/Annotation.h"
#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"
#include "platform/SharedService.h"

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QRectF>

#include <chrono>
#include <memory>
#include <optional>

class BeautifyCache;
class ImageRecycler;
class QThreadPool;

// The drawing, encoding and reading an editor model runs, in the background and for its exports.
// The drawing and encoding are called from any thread and must be safe to call from several at once;
// the readers are started on the main thread and finish in the background (or fail with a
// QException). A model takes the shared one when it is made and calls it until its background work
// has ended, so a substitute must outlive the renders it served; tests substitute their own.
class EditorRenderers : public platform::SharedService<EditorRenderers> {
public:
    virtual ~EditorRenderers() = default;

    virtual QImage annotate(const QImage &image, std::optional<QRectF> crop, const QList<Annotation> &annotations) = 0;
    virtual QImage beautify(const QImage &image, const BeautyStyle &style, const std::optional<BrandLogo> &logo) = 0;
    virtual QImage prepare(const QImage &image, const ExportSettings &settings) = 0;
    virtual std::optional<QByteArray> encode(const QImage &image, const ExportSettings &settings) = 0;
    // The text of an image, failing at the time limit (TextRecognizer::recognize).
    virtual QFuture<QString> readText(const QImage &image, std::chrono::milliseconds limit) = 0;
    // The rectangles of sensitive data in an image (TextRecognizer::sensitiveRegions).
    virtual QFuture<QList<QRectF>> findSensitive(const QImage &image, std::chrono::milliseconds limit) = 0;
    // Lets go of what the renderers keep between renders (canvases, spare results).
    virtual void releaseCaches() = 0;
    // An opaque capture as compact bytes and back, pixel for pixel, for an editor nobody sees (any
    // thread); the capture stays held when packing gives nothing.
    virtual std::optional<QByteArray> pack(const QImage &image) = 0;
    virtual QImage unpack(const QByteArray &bytes) = 0;
    // Keeps the text reader ready while the token lives (TextRecognizer::keepReady); may be null.
    virtual std::shared_ptr<void> keepReaderReady() = 0;

    // Keeps the caches while any token lives: editors share the renderers, and the last token to go
    // (on whichever thread drops it) lets them go, unless another editor took hold again meanwhile.
    std::shared_ptr<void> holdCaches();

private:
    QMutex m_holdersMutex;
    std::weak_ptr<void> m_holders;
};
template <>
EditorRenderers &platform::SharedService<EditorRenderers>::real();

// The core's renderers and encoders, which real() is; the beautifier keeps the canvas of the last
// style, so edits of the marks alone skip the backdrop and shadow.
class StandardEditorRenderers : public EditorRenderers {
public:
    StandardEditorRenderers();
    ~StandardEditorRenderers() override;
    StandardEditorRenderers(const StandardEditorRenderers &) = delete;
    StandardEditorRenderers &operator=(const StandardEditorRenderers &) = delete;

    QImage annotate(const QImage &image, std::optional<QRectF> crop, const QList<Annotation> &annotations) override;
    QImage beautify(const QImage &image, const BeautyStyle &style, const std::optional<BrandLogo> &logo) override;
    QImage prepare(const QImage &image, const ExportSettings &settings) override;
    std::optional<QByteArray> encode(const QImage &image, const ExportSettings &settings) override;
    QFuture<QString> readText(const QImage &image, std::chrono::milliseconds limit) override;
    QFuture<QList<QRectF>> findSensitive(const QImage &image, std::chrono::milliseconds limit) override;
    void releaseCaches() override;
    std::optional<QByteArray> pack(const QImage &image) override;
    QImage unpack(const QByteArray &bytes) override;
    std::shared_ptr<void> keepReaderReady() override;

private:
    std::unique_ptr<BeautifyCache> m_beautified;
    // The marked copy lives only during a render: the last one is written over by the next.
    std::unique_ptr<ImageRecycler> m_marked;
};

namespace EditorThreads {
// Where editor renders run; each lowers its thread to bulk priority, below the GUI thread.
QThreadPool &renderPool();
// Where export-size estimates run; each lowers its thread's priority, so that they never hold up a
// render.
QThreadPool &estimatePool();
// True once the application object is being destroyed: work not yet begun is skipped, and the pools
// are drained before Qt's own image threads go.
bool isClosing();
// Lets go of the pictures on a worker: unmapping tens of megabytes would hold the GUI thread.
void releaseOnWorker(QImage first, QImage second = QImage());
} // namespace EditorThreads
