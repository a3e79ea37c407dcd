// EditorDocument: the marks, the crop and the gestures that draw them.
#include "editor/EditorDocument.h"

#include "core/AnnotationRenderer.h"

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
    case Annotation::Kind::arrow:
        return std::hypot(a.end.x() - a.start.x(), a.end.y() - a.start.y()) < minimumArrowLength;
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

QRectF EditorDocument::visibleRect() const {
    const QRectF whole(QPointF(0, 0), QSizeF(imageSize()));
    if (!m_crop) return whole;
    const QRectF visible = clippedCrop(*m_crop, imageSize());
    return leavesEnough(visible) ? visible : whole;
}

// --- Marks -----------------------------------------------------------------------------------------------

qsizetype EditorDocument::indexOf(const QUuid &id) const {
    for (qsizetype i = 0; i < m_annotations.size(); ++i)
        if (m_annotations[i].id == id) return i;
    return -1;
}

double EditorDocument::strokeWidth(Annotation::Thickness thickness) const {
    return Annotation::strokeWidth(imageSize(), thickness);
}

std::optional<QUuid> EditorDocument::startAnnotation(QPointF p) {
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

void EditorDocument::updateAnnotation(const QUuid &id, QPointF end) {
    const qsizetype i = indexOf(id);
    if (i < 0) return;
    QList<Annotation> marks = m_annotations;
    marks[i].end = end;
    assignAnnotations(marks);
}

void EditorDocument::replaceAnnotation(const Annotation &annotation) {
    const qsizetype i = indexOf(annotation.id);
    if (i < 0) return;
    QList<Annotation> marks = m_annotations;
    marks[i] = annotation;
    assignAnnotations(marks);
}

void EditorDocument::finishAnnotation(const QUuid &id) {
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

void EditorDocument::dropInteraction() {
    setSelectedID(std::nullopt);
    discardInteraction();
}

void EditorDocument::setText(const QUuid &id, const QString &text) {
    const qsizetype i = indexOf(id);
    if (i < 0) return;
    QList<Annotation> marks = m_annotations;
    marks[i].kind = Annotation::Kind::label(text);
    marks[i] = keptInside(marks[i], imageSize());
    assignAnnotations(marks);
}

void EditorDocument::editText(const QUuid &id) {
    const qsizetype i = indexOf(id);
    if (i < 0 || m_annotations[i].kind.type != Annotation::Kind::text) return;
    finishTextEditing();
    beginInteraction();
    setSelectedID(id);
    assignEditingTextID(id);
}

void EditorDocument::finishTextEditing() {
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

void EditorDocument::finishCrop() {
    if (m_crop) {
        const QRectF drawn = m_crop->normalized();
        const bool bigEnough = drawn.width() >= minimumCropSide && drawn.height() >= minimumCropSide;
        if (!bigEnough || !leavesEnough(clippedCrop(drawn, imageSize()))) assignCrop(std::nullopt);
    }
    endInteraction();
}

void EditorDocument::deleteSelected() {
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

void EditorDocument::nudgeSelected(double dx, double dy) {
    if (!selectedAnnotation()) return;
    applyOutsideGesture([this, dx, dy] {
        std::optional<Annotation> a = selectedAnnotation();
        if (!a) return;
        a->start += QPointF(dx, dy);
        a->end += QPointF(dx, dy);
        replaceAnnotation(*a);
    });
}

void EditorDocument::clearAnnotations() {
    applyOutsideGesture([this] {
        assignAnnotations({});
        setSelectedID(std::nullopt);
    });
}

void EditorDocument::addAnnotations(const QList<Annotation> &added) {
    if (added.isEmpty()) return;
    applyOutsideGesture([this, added] { assignAnnotations(m_annotations + added); });
}

void EditorDocument::setAnnotationColor(quint32 color) {
    if (color != m_annotationColor) {
        m_annotationColor = color;
        emit annotationColorChanged();
    }
    std::optional<Annotation> a = selectedAnnotation();
    if (!a || a->kind.type == Annotation::Kind::blur) return;
    a->color = color;
    replaceAnnotation(*a);
}

void EditorDocument::setThickness(Annotation::Thickness thickness) {
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

void EditorDocument::beginInteraction() {
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

void EditorDocument::endInteraction() {
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
    emit contentChanged();
    runDeferred();
}

void EditorDocument::discardInteraction() {
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
