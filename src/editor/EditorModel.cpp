#include "editor/EditorModel.h"

#include "core/AnnotationRenderer.h"
#include "core/StyleStore.h"
#include "editor/CancelFlag.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double minimumArrowLength = 8;
constexpr double minimumBoxSide = 6;
constexpr double minimumCropSide = 16;
constexpr int minimumVisibleSide = 8;

std::optional<Annotation::Kind> kindDrawnBy(EditorTool tool) {
    switch (tool) {
    case EditorTool::arrow: return Annotation::Kind(Annotation::Kind::arrow);
    case EditorTool::rectangle: return Annotation::Kind(Annotation::Kind::rectangle);
    case EditorTool::highlight: return Annotation::Kind(Annotation::Kind::highlight);
    case EditorTool::text: return Annotation::Kind::label(QString());
    case EditorTool::blur: return Annotation::Kind(Annotation::Kind::blur);
    case EditorTool::preview:
    case EditorTool::select:
    case EditorTool::crop: return std::nullopt;
    }
    return std::nullopt;
}

// Whether a mark just drawn is too small to keep.
bool tooSmall(const Annotation &a) {
    switch (a.kind.type) {
    case Annotation::Kind::arrow: return std::hypot(a.end.x() - a.start.x(), a.end.y() - a.start.y()) < minimumArrowLength;
    case Annotation::Kind::rectangle:
    case Annotation::Kind::highlight:
    case Annotation::Kind::blur: return a.box().width() < minimumBoxSide || a.box().height() < minimumBoxSide;
    case Annotation::Kind::text: return false;
    }
    return false;
}

// A text mark moved, as little as needed, so that its pill lies inside the image (its top-left
// corner first where it is larger): the output is cut at the image's edges, and the canvas shows
// while typing what the output will hold.
Annotation keptInside(Annotation a, QSize image) {
    if (a.kind.type != Annotation::Kind::text || image.isEmpty()) return a;
    const QRectF pill = AnnotationRenderer::textBounds(a);
    QPointF shift;
    if (pill.right() > image.width()) shift.rx() = image.width() - pill.right();
    if (pill.left() + shift.x() < 0) shift.rx() = -pill.left();
    if (pill.bottom() > image.height()) shift.ry() = image.height() - pill.bottom();
    if (pill.top() + shift.y() < 0) shift.ry() = -pill.top();
    a.start += shift;
    a.end += shift;
    return a;
}

// The crop rounded outward to whole pixels and clipped to the image.
QRectF clippedCrop(const QRectF &crop, QSize image) {
    const QRectF c = crop.normalized();
    const QRectF outward(QPointF(std::floor(c.left()), std::floor(c.top())),
                         QPointF(std::ceil(c.right()), std::ceil(c.bottom())));
    return outward.intersected(QRectF(QPointF(0, 0), QSizeF(image)));
}

bool leavesEnough(const QRectF &visible) {
    return !visible.isEmpty() && visible.width() >= minimumVisibleSide && visible.height() >= minimumVisibleSide;
}

// Blank for a text: nothing but spaces and tabs (a line break counts as text).
bool isBlank(const QString &text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' ' || c == u'\t'; });
}

} // namespace

EditorModel::EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                         QObject *parent, EditorRenderers renderers)
    : QObject(parent), m_original(image), m_imageSize(image.size()), m_originalKey(image.cacheKey()),
      m_sourcePath(sourcePath), m_renderers(std::move(renderers)),
      m_style(style ? *style : StyleStore::shared().defaultStyle()) {
    if (m_renderers.keepReaderReady) m_readerReady = m_renderers.keepReaderReady();
    rerender();
}

EditorModel::~EditorModel() {
    stopBackgroundWork();
    // The capture, its results and the beautifier's canvases are tens of megabytes whose unmapping
    // would hold up the frame after the next capture opens: they go on a worker.
    if (EditorThreads::isClosing()) return;
    EditorThreads::estimatePool().start([original = std::move(m_original), preview = std::move(m_preview),
                                         output = std::move(m_lastOutput), pixelated = std::move(m_pixelated),
                                         packed = std::move(m_packed), renderers = std::move(m_renderers)] {});
}

void EditorModel::stopBackgroundWork() {
    m_stopped = true;
    m_readerReady.reset();
    for (const std::shared_ptr<CancelFlag> &task : {m_renderTask, m_estimateTask, m_packTask})
        if (task) task->cancel();
}

const QImage &EditorModel::original() const {
    if (m_original.isNull() && m_packed) adoptUnpacked(m_renderers.unpack(*m_packed));
    return m_original;
}

const QImage &EditorModel::pixelatedImage() const {
    if (!m_pixelated) m_pixelated = AnnotationRenderer::pixelate(original());
    return *m_pixelated;
}

void EditorModel::close() {
    if (onClose) onClose();
}

// --- Published members -------------------------------------------------------------------------------

void EditorModel::setStyle(const BeautyStyle &style) {
    applyOutsideGesture([this, style] { assignStyle(style); });
}

void EditorModel::assignStyle(const BeautyStyle &style) {
    if (style == m_style) return;
    const Snapshot before = snapshot();
    m_style = style;
    if (!m_restoring) pushUndo(before);
    emit styleChanged();
    if (!m_restoring) rerender();
}

void EditorModel::assignAnnotations(const QList<Annotation> &annotations) {
    if (annotations == m_annotations) return;
    const Snapshot before = snapshot();
    m_annotations = annotations;
    recordChange(before);
    emit annotationsChanged();
}

void EditorModel::setCrop(const std::optional<QRectF> &crop) { assignCrop(crop); }

void EditorModel::assignCrop(const std::optional<QRectF> &crop) {
    if (crop == m_crop) return;
    const Snapshot before = snapshot();
    m_crop = crop;
    if (m_interacting && m_gesture == Gesture::other) m_gesture = Gesture::cropping;
    recordChange(before);
    emit cropChanged();
}

void EditorModel::removeCrop() {
    applyOutsideGesture([this] { assignCrop(std::nullopt); });
}

void EditorModel::recordChange(const Snapshot &before) {
    if (m_restoring || m_interacting) return;
    pushUndo(before);
    rerender();
}

void EditorModel::setTool(EditorTool tool) {
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

void EditorModel::setSelectedID(const std::optional<QUuid> &id) {
    if (id == m_selectedID) return;
    m_selectedID = id;
    emit selectedIDChanged();
}

void EditorModel::assignEditingTextID(const std::optional<QUuid> &id) {
    if (id == m_editingTextID) return;
    m_editingTextID = id;
    emit editingTextIDChanged();
}

std::optional<Annotation> EditorModel::selectedAnnotation() const {
    if (!m_selectedID) return std::nullopt;
    const qsizetype i = indexOf(*m_selectedID);
    if (i < 0) return std::nullopt;
    return m_annotations[i];
}

QRectF EditorModel::visibleRect() const {
    const QRectF whole(QPointF(0, 0), QSizeF(imageSize()));
    if (!m_crop) return whole;
    const QRectF visible = clippedCrop(*m_crop, imageSize());
    return leavesEnough(visible) ? visible : whole;
}

void EditorModel::setDetectingSensitive(bool on) {
    if (on == m_detectingSensitive) return;
    m_detectingSensitive = on;
    emit isDetectingSensitiveChanged();
}

void EditorModel::setReadingText(bool on) {
    if (on == m_readingText) return;
    m_readingText = on;
    emit isReadingTextChanged();
}

void EditorModel::setShowOriginal(bool on) {
    if (on == m_showOriginal) return;
    m_showOriginal = on;
    emit showOriginalChanged();
}

void EditorModel::setCommandBarOpen(bool open) {
    const bool changed = open != m_commandBarOpen;
    m_commandBarOpen = open;
    if (open) setCommandQuery(QString());
    if (changed) emit isCommandBarOpenChanged();
}

void EditorModel::setCommandQuery(const QString &query) {
    const bool changed = query != m_commandQuery;
    m_commandQuery = query;
    setCommandSelection(0);
    if (changed) emit commandQueryChanged();
}

void EditorModel::setCommandSelection(int row) {
    if (row == m_commandSelection) return;
    m_commandSelection = row;
    emit commandSelectionChanged();
}

void EditorModel::setShortcutsOpen(bool open) {
    if (open == m_shortcutsOpen) return;
    m_shortcutsOpen = open;
    emit isShortcutsOpenChanged();
}

void EditorModel::setBackdropDraft(const std::optional<BackdropDraft> &draft) {
    const bool same = draft.has_value() == m_backdropDraft.has_value() && (!draft || draft->id == m_backdropDraft->id);
    m_backdropDraft = draft;
    if (!same) emit backdropDraftChanged();
}

// --- Marks -----------------------------------------------------------------------------------------------

qsizetype EditorModel::indexOf(const QUuid &id) const {
    for (qsizetype i = 0; i < m_annotations.size(); ++i)
        if (m_annotations[i].id == id) return i;
    return -1;
}

double EditorModel::strokeWidth(Annotation::Thickness thickness) const {
    return Annotation::strokeWidth(imageSize(), thickness);
}

std::optional<QUuid> EditorModel::startAnnotation(QPointF p) {
    const std::optional<Annotation::Kind> kind = kindDrawnBy(m_tool);
    if (!kind) return std::nullopt;
    finishTextEditing();
    beginInteraction();
    Annotation a;
    a.kind = *kind;
    a.start = a.end = p;
    // The first palette colour is red; a highlighter starts out yellow instead.
    a.color = kind->type == Annotation::Kind::highlight && m_annotationColor == Annotation::palette[0].color
                  ? Annotation::palette[1].color
                  : m_annotationColor;
    a.width = strokeWidth(m_thickness);
    QList<Annotation> marks = m_annotations;
    marks.append(a);
    assignAnnotations(marks);
    if (kind->type == Annotation::Kind::text) {
        setSelectedID(a.id);
        assignEditingTextID(a.id);
    } else {
        m_gesture = Gesture::drawing;
        m_drawingID = a.id;
        setSelectedID(a.id);
    }
    return a.id;
}

void EditorModel::updateAnnotation(const QUuid &id, QPointF end) {
    const qsizetype i = indexOf(id);
    if (i < 0) return;
    QList<Annotation> marks = m_annotations;
    marks[i].end = end;
    assignAnnotations(marks);
}

void EditorModel::replaceAnnotation(const Annotation &annotation) {
    const qsizetype i = indexOf(annotation.id);
    if (i < 0) return;
    QList<Annotation> marks = m_annotations;
    marks[i] = annotation;
    assignAnnotations(marks);
}

void EditorModel::finishAnnotation(const QUuid &id) {
    if (m_drawingID == id) m_drawingID.reset();
    const qsizetype i = indexOf(id);
    if (i < 0) {
        endInteraction();
        return;
    }
    const Annotation &a = m_annotations[i];
    if (a.kind.type == Annotation::Kind::text) return; // typing goes on until finishTextEditing
    if (tooSmall(a)) dropInteraction();
    else endInteraction();
}

void EditorModel::dropInteraction() {
    setSelectedID(std::nullopt);
    discardInteraction();
}

void EditorModel::setText(const QUuid &id, const QString &text) {
    const qsizetype i = indexOf(id);
    if (i < 0) return;
    QList<Annotation> marks = m_annotations;
    marks[i].kind = Annotation::Kind::label(text);
    marks[i] = keptInside(marks[i], imageSize());
    assignAnnotations(marks);
}

void EditorModel::editText(const QUuid &id) {
    const qsizetype i = indexOf(id);
    if (i < 0 || m_annotations[i].kind.type != Annotation::Kind::text) return;
    finishTextEditing();
    beginInteraction();
    setSelectedID(id);
    assignEditingTextID(id);
}

void EditorModel::finishTextEditing() {
    if (!m_editingTextID) return;
    const QUuid id = *m_editingTextID;
    assignEditingTextID(std::nullopt);
    const qsizetype i = indexOf(id);
    if (i < 0) {
        endInteraction();
        return;
    }
    const Annotation &a = m_annotations[i];
    if (isBlank(a.kind.type == Annotation::Kind::text ? a.kind.string : QString())) dropInteraction();
    else endInteraction();
}

void EditorModel::finishCrop() {
    if (m_crop) {
        const QRectF drawn = m_crop->normalized();
        const bool bigEnough = drawn.width() >= minimumCropSide && drawn.height() >= minimumCropSide;
        if (!bigEnough || !leavesEnough(clippedCrop(drawn, imageSize()))) assignCrop(std::nullopt);
    }
    endInteraction();
}

void EditorModel::deleteSelected() {
    if (!m_selectedID) return;
    applyOutsideGesture([this] {
        if (!m_selectedID) return;
        QList<Annotation> marks = m_annotations;
        const QUuid id = *m_selectedID;
        marks.removeIf([&](const Annotation &a) { return a.id == id; });
        assignAnnotations(marks);
        setSelectedID(std::nullopt);
    });
}

void EditorModel::nudgeSelected(double dx, double dy) {
    if (!selectedAnnotation()) return;
    applyOutsideGesture([this, dx, dy] {
        std::optional<Annotation> a = selectedAnnotation();
        if (!a) return;
        a->start += QPointF(dx, dy);
        a->end += QPointF(dx, dy);
        replaceAnnotation(*a);
    });
}

void EditorModel::clearAnnotations() {
    applyOutsideGesture([this] {
        assignAnnotations({});
        setSelectedID(std::nullopt);
    });
}

void EditorModel::addAnnotations(const QList<Annotation> &added) {
    if (added.isEmpty()) return;
    applyOutsideGesture([this, added] { assignAnnotations(m_annotations + added); });
}

void EditorModel::setAnnotationColor(quint32 color) {
    if (color != m_annotationColor) {
        m_annotationColor = color;
        emit annotationColorChanged();
    }
    std::optional<Annotation> a = selectedAnnotation();
    if (!a || a->kind.type == Annotation::Kind::blur) return;
    a->color = color;
    replaceAnnotation(*a);
}

void EditorModel::setThickness(Annotation::Thickness thickness) {
    if (thickness != m_thickness) {
        m_thickness = thickness;
        emit thicknessChanged();
    }
    std::optional<Annotation> a = selectedAnnotation();
    if (!a || a->kind.type == Annotation::Kind::blur) return;
    a->width = strokeWidth(thickness);
    replaceAnnotation(*a);
}

// --- Interaction bracket ------------------------------------------------------------------------------------

void EditorModel::beginInteraction() {
    if (m_interacting) return;
    const std::pair<bool, bool> before{canUndo(), canRedo()};
    m_redoBeforeInteraction = m_redoStack;
    // Not trimmed yet: the oldest entry goes only if this gesture's entry is kept.
    m_undoStack.append(snapshot());
    m_redoStack.clear();
    m_interacting = true;
    m_gesture = Gesture::other;
    announceHistory(before);
}

void EditorModel::endInteraction() {
    if (!m_interacting) return;
    // A text moved or scaled past an edge ends whole inside the image, as typing keeps it.
    QList<Annotation> marks = m_annotations;
    bool movedIn = false;
    for (Annotation &a : marks) {
        const Annotation inside = keptInside(a, imageSize());
        movedIn = movedIn || inside.start != a.start;
        a = inside;
    }
    if (movedIn) assignAnnotations(marks);
    const std::pair<bool, bool> before{canUndo(), canRedo()};
    m_interacting = false;
    m_gesture = Gesture::none;
    m_drawingID.reset();
    if (!m_undoStack.isEmpty() && m_undoStack.last() == snapshot()) {
        m_undoStack.removeLast();
        m_redoStack = m_redoBeforeInteraction;
    } else {
        trimUndo();
    }
    announceHistory(before);
    rerender();
    runDeferred();
}

void EditorModel::discardInteraction() {
    if (!m_interacting) return;
    const std::pair<bool, bool> before{canUndo(), canRedo()};
    m_interacting = false;
    m_gesture = Gesture::none;
    m_drawingID.reset();
    if (!m_undoStack.isEmpty()) restore(m_undoStack.takeLast());
    m_redoStack = m_redoBeforeInteraction;
    announceHistory(before);
    runDeferred();
}

void EditorModel::applyOutsideGesture(std::function<void()> change) {
    finishTextEditing();
    if (m_interacting) m_deferred.append(std::move(change));
    else change();
}

void EditorModel::runDeferred() {
    // Each waiting change is its own step; one of them may not start another gesture, but be safe.
    while (!m_deferred.isEmpty() && !m_interacting) m_deferred.takeFirst()();
}

// --- History ----------------------------------------------------------------------------------------------------

void EditorModel::announceHistory(std::pair<bool, bool> before) {
    if (before != std::pair{canUndo(), canRedo()}) emit historyChanged();
}

void EditorModel::trimUndo() {
    while (m_undoStack.size() > maxUndo) m_undoStack.removeFirst();
}

void EditorModel::pushUndo(const Snapshot &s) {
    const std::pair<bool, bool> before{canUndo(), canRedo()};
    m_undoStack.append(s);
    trimUndo();
    m_redoStack.clear();
    announceHistory(before);
}

void EditorModel::restore(const Snapshot &s) {
    m_restoring = true;
    assignStyle(s.style);
    assignAnnotations(s.annotations);
    assignCrop(s.crop);
    m_restoring = false;
    if (m_selectedID && indexOf(*m_selectedID) < 0) setSelectedID(std::nullopt);
    rerender();
}

void EditorModel::undo() {
    applyOutsideGesture([this] {
        if (m_undoStack.isEmpty()) return;
        const std::pair<bool, bool> before{canUndo(), canRedo()};
        const Snapshot s = m_undoStack.takeLast();
        m_redoStack.append(snapshot());
        announceHistory(before);
        restore(s);
    });
}

void EditorModel::redo() {
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
