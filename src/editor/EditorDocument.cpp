#include "editor/EditorDocument.h"

#include "editor/EditorRenderers.h"

EditorDocument::EditorDocument(const QImage &image, const QString &sourcePath, const BeautyStyle &style,
                               EditorRenderers *renderers, QObject *parent)
    : QObject(parent), m_original(image), m_imageSize(image.size()), m_originalKey(image.cacheKey()),
      m_renderers(renderers), m_sourcePath(sourcePath), m_style(style) {}

EditorDocument::~EditorDocument() {
    // The capture is tens of megabytes whose unmapping would hold up the frame after the next capture
    // opens: it goes on a worker.
    if (EditorThreads::isClosing()) return;
    EditorThreads::estimatePool().start([original = std::move(m_original), packed = std::move(m_packed)] {});
}

// --- The capture -----------------------------------------------------------------------------------------

const QImage &EditorDocument::original() const {
    if (m_original.isNull() && m_packed && m_renderers) adoptUnpacked(m_renderers->unpack(*m_packed));
    return m_original;
}

void EditorDocument::packOriginal(const QByteArray &bytes) {
    m_packed = bytes;
    m_original = QImage();
}

void EditorDocument::adoptUnpacked(const QImage &image) const {
    if (!m_original.isNull() || image.isNull()) return;
    m_original = image;
    m_packed.reset();
}

// --- State ---------------------------------------------------------------------------------------------------

void EditorDocument::setStyle(const BeautyStyle &style) {
    applyOutsideGesture([this, style] { assignStyle(style); });
}

void EditorDocument::assignStyle(const BeautyStyle &style) {
    if (style == m_style) return;
    const Snapshot before = snapshot();
    m_style = style;
    if (!m_restoring) pushUndo(before);
    emit styleChanged();
    if (!m_restoring) emit contentChanged();
}

void EditorDocument::assignAnnotations(const QList<Annotation> &annotations) {
    if (annotations == m_annotations) return;
    const Snapshot before = snapshot();
    m_annotations = annotations;
    recordChange(before);
    emit annotationsChanged();
}

void EditorDocument::setCrop(const std::optional<QRectF> &crop) { assignCrop(crop); }

void EditorDocument::assignCrop(const std::optional<QRectF> &crop) {
    if (crop == m_crop) return;
    const Snapshot before = snapshot();
    m_crop = crop;
    if (m_interacting && m_gesture == Gesture::other) m_gesture = Gesture::cropping;
    recordChange(before);
    emit cropChanged();
}

void EditorDocument::removeCrop() {
    applyOutsideGesture([this] { assignCrop(std::nullopt); });
}

void EditorDocument::recordChange(const Snapshot &before) {
    if (m_restoring || m_interacting) return;
    pushUndo(before);
    emit contentChanged();
}

void EditorDocument::setTool(EditorTool tool) {
    if (tool == m_tool) return;
    m_tool = tool;
    finishTextEditing();
    // The drag in progress ends as a release would end it.
    if (m_gesture == Gesture::drawing && m_drawingID) finishAnnotation(*m_drawingID);
    else if (m_gesture == Gesture::cropping) finishCrop();
    else endInteraction();
    if (tool == EditorTool::preview || tool == EditorTool::crop) setSelectedID(std::nullopt);
    emit toolChanged();
}

void EditorDocument::setSelectedID(const std::optional<QUuid> &id) {
    if (id == m_selectedID) return;
    m_selectedID = id;
    emit selectedIDChanged();
}

void EditorDocument::assignEditingTextID(const std::optional<QUuid> &id) {
    if (id == m_editingTextID) return;
    m_editingTextID = id;
    emit editingTextIDChanged();
}

std::optional<Annotation> EditorDocument::selectedAnnotation() const {
    if (!m_selectedID) return std::nullopt;
    const qsizetype i = indexOf(*m_selectedID);
    if (i < 0) return std::nullopt;
    return m_annotations[i];
}

// --- Changes from outside the gesture -------------------------------------------------------------------------

void EditorDocument::applyOutsideGesture(std::function<void()> change) {
    finishTextEditing();
    if (m_interacting) m_deferred.append(std::move(change));
    else change();
}

void EditorDocument::runDeferred() {
    // Each waiting change is its own step; one of them may not start another gesture, but be safe.
    while (!m_deferred.isEmpty() && !m_interacting) m_deferred.takeFirst()();
}

// --- History ----------------------------------------------------------------------------------------------------

void EditorDocument::announceHistory(std::pair<bool, bool> before) {
    if (before != std::pair{canUndo(), canRedo()}) emit historyChanged();
}

void EditorDocument::trimUndo() {
    while (m_undoStack.size() > maxUndo) m_undoStack.removeFirst();
}

void EditorDocument::pushUndo(const Snapshot &s) {
    const std::pair<bool, bool> before{canUndo(), canRedo()};
    m_undoStack.append(s);
    trimUndo();
    m_redoStack.clear();
    announceHistory(before);
}

void EditorDocument::restore(const Snapshot &s) {
    m_restoring = true;
    assignStyle(s.style);
    assignAnnotations(s.annotations);
    assignCrop(s.crop);
    m_restoring = false;
    if (m_selectedID && indexOf(*m_selectedID) < 0) setSelectedID(std::nullopt);
    emit contentChanged();
}

void EditorDocument::undo() {
    applyOutsideGesture([this] {
        if (m_undoStack.isEmpty()) return;
        const std::pair<bool, bool> before{canUndo(), canRedo()};
        const Snapshot s = m_undoStack.takeLast();
        m_redoStack.append(snapshot());
        announceHistory(before);
        restore(s);
    });
}

void EditorDocument::redo() {
    applyOutsideGesture([this] {
        if (m_redoStack.isEmpty()) return;
        const std::pair<bool, bool> before{canUndo(), canRedo()};
        const Snapshot s = m_redoStack.takeLast();
        m_undoStack.append(snapshot());
        trimUndo();
        announceHistory(before);
        restore(s);
    });
}
