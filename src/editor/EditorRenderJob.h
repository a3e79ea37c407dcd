#pragma once

#include "brand/art/BrandLogo.h"
#include "core/ExportSettings.h"
#include "editor/EditorRenderers.h"

#include <QImage>
#include <QObject>
#include <QSize>

#include <memory>
#include <optional>

class CancelFlag;
class EditorDocument;
class StyleStore;

// The beautified result of a document, rendered in the background, with an estimate of its export
// size, and the caches it keeps: the pixelated capture, the renderers' canvases and the text reader
// kept started. Main thread only; the document and the style store (its export settings) must outlive it,
// and the renderers its background work too.
//
// It renders at once and again whenever the document's content changes. Renders run one at a time:
// while one runs, only the newest state waits to follow it, and only the newest render publishes.
class EditorRenderJob : public QObject {
    Q_OBJECT

public:
    EditorRenderJob(EditorDocument &document, StyleStore &styles, EditorRenderers &renderers,
                    QObject *parent = nullptr);
    // Background work still running is dropped when it finishes; what it holds goes on a worker.
    ~EditorRenderJob() override;

    // The mosaic that blur marks show, made on first use; null when it cannot be made.
    const QImage &pixelatedImage() const;

    // The last rendered result (null until the first lands) and its pixel size.
    const QImage &preview() const { return m_preview; }
    QSize outputSize() const { return m_outputSize; }
    // The export's byte count with the stored export settings (none until estimated, or when the
    // encoding failed) and its pixel size after scaling (empty until estimated).
    const std::optional<qint64> &estimatedBytes() const { return m_estimatedBytes; }
    QSize exportPixelSize() const { return m_exportPixelSize; }

    // Renders the document's current state in the background.
    void rerender();
    // Renders again when the brand's screenshot logo is not the one the last render used.
    void refresh();
    // While nobody sees the editor: lets go of what is rendered from its state (the preview, the
    // beautifier's canvas and spare results, the pixelated capture, an estimate under way; a render
    // under way publishes nothing) and packs an opaque capture away on a worker, so that only its
    // compressed bytes are held. ensurePreview renders the preview again, unpacking the capture on the
    // render's thread.
    void releaseCaches();
    // Renders the preview when it was released and no render is under way; a packing under way is
    // dropped.
    void ensurePreview();
    // Another capture took its place (its page may stay on screen a few turns more): the render, the
    // estimate and the packing under way are dropped, so that they do not hold up the new capture's,
    // and none starts again.
    void stopBackgroundWork();
    // Estimates the export of the last result in the background after a quarter second, so that a
    // burst of changes encodes once; nothing before the first result.
    void updateEstimate();
    // The result at full size, rendered now from the document as it is, with the brand logo as it is
    // now, prepared for `settings` (none: the stored ones). Null when nothing can be rendered.
    QImage finalImage(const std::optional<ExportSettings> &settings = std::nullopt) const;

signals:
    void previewChanged();
    void outputSizeChanged();
    void estimatedBytesChanged();
    void exportPixelSizeChanged();

private:
    void startRender();
    // A render has ended: its result is published unless a newer state superseded it, which renders next.
    void renderEnded(const CancelFlag &flag, const QImage &result);
    void publishRender(const QImage &result);
    // Packs the capture away in the background (releaseCaches).
    void pack();
    void publishEstimate(std::optional<qint64> bytes, QSize pixels);

    EditorDocument &m_document;
    StyleStore &m_styles;
    EditorRenderers &m_renderers;
    // Held while the editor is on the screen: "Copiar texto" and the sensitive-data finder find the
    // text engine started.
    std::shared_ptr<void> m_readerReady;
    std::shared_ptr<void> m_cachesHeld;
    mutable std::optional<QImage> m_pixelated;
    std::shared_ptr<CancelFlag> m_packTask;
    bool m_released = false; // between releaseCaches and ensurePreview: results are not kept

    QImage m_preview;
    QSize m_outputSize;
    QImage m_lastOutput;
    std::optional<qint64> m_estimatedBytes;
    QSize m_exportPixelSize;
    std::shared_ptr<CancelFlag> m_renderTask; // the newest state's render, running or waiting
    bool m_rendering = false;                 // a render is under way (one at a time)
    bool m_stopped = false;                   // replaced by another capture: no background work starts
    std::shared_ptr<CancelFlag> m_estimateTask;
    std::optional<BrandLogo> m_renderedLogo;
};
