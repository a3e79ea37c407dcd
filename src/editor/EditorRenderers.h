#pragma once

#include "brand/art/BrandLogo.h"
#include "core/Annotation.h"
#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QRectF>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

// The drawing, encoding and reading an editor model runs, in the background and for its exports.
// The drawing and encoding are called from any thread and must be safe to call from several at once;
// the readers are started on the main thread and finish in the background (or fail with a
// QException). Tests substitute their own.
struct EditorRenderers {
    std::function<QImage(const QImage &, std::optional<QRectF>, const QList<Annotation> &)> annotate;
    std::function<QImage(const QImage &, const BeautyStyle &, const std::optional<BrandLogo> &)> beautify;
    std::function<QImage(const QImage &, const ExportSettings &)> prepare;
    std::function<std::optional<QByteArray>(const QImage &, const ExportSettings &)> encode;
    // The text of an image, failing at the time limit (TextRecognizer::recognize).
    std::function<QFuture<QString>(const QImage &, std::chrono::milliseconds)> readText;
    // The rectangles of sensitive data in an image (TextRecognizer::sensitiveRegions).
    std::function<QFuture<QList<QRectF>>(const QImage &, std::chrono::milliseconds)> findSensitive;
    // Lets go of what the renderers keep between renders (canvases, spare results); may be empty.
    std::function<void()> releaseCaches;
    // An opaque capture as compact bytes and back, pixel for pixel, for an editor nobody sees (any
    // thread); the capture stays held when either is empty or packing fails.
    std::function<std::optional<QByteArray>(const QImage &)> pack;
    std::function<QImage(const QByteArray &)> unpack;
    // Keeps the text reader ready while the token lives (TextRecognizer::keepReady); may be empty.
    std::function<std::shared_ptr<void>()> keepReaderReady;

    // The core's renderers and encoders; the beautifier keeps the canvas of the last style, so
    // edits of the marks alone skip the backdrop and shadow.
    static EditorRenderers standard();
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
