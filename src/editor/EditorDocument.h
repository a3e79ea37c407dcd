#pragma once

#include "core/Annotation.h"
#include "core/BeautyStyle.h"
#include "core/EditorTool.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class EditorRenderers;

// What the user edits in one capture: its image, beautify style, marks and crop, the tool, pen and
// selection they are edited with, and the undo history. Main thread only.
//
// Every change of the style, the marks or the crop is one undo step. A drag or a text entry is one
// interaction: its changes make a single step. A change from anywhere else (applyOutsideGesture) first
// ends a text entry; one that arrives during a drag is applied when the drag ends, as its own step.
class EditorDocument : public QObject {
    Q_OBJECT

public:
    static constexpr int maxUndo = 100;

    // `sourcePath`: the kept capture file it came from, empty when there is none (yet). `renderers` turn a packed
    // capture back into pixels (packOriginal); without them it is never packed.
    EditorDocument(const QImage &image, const QString &sourcePath, const BeautyStyle &style,
                   EditorRenderers *renderers = nullptr, QObject *parent = nullptr);
    // The capture's pixels are let go on a worker.
    ~EditorDocument() override;

    // --- The capture -------------------------------------------------------------------------------
    // Mark points and the crop are in its pixels, origin top left. When packed away, it is unpacked
    // here on the calling thread.
    const QImage &original() const;
    QSize imageSize() const { return m_imageSize; }
    // The cache key of the image it was opened with, also while it is packed away.
    qint64 originalKey() const { return m_originalKey; }
    const QString &sourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString &path) { m_sourcePath = path; }
    // The capture held as compressed bytes (lossless) instead of pixels, so that an editor nobody sees
    // holds less; the renders unpack it off the main thread and hand the pixels back (adoptUnpacked).
    bool isOriginalPacked() const { return m_packed.has_value(); }
    const QImage &heldOriginal() const { return m_original; } // null while packed
    const std::optional<QByteArray> &packedOriginal() const { return m_packed; }
    void packOriginal(const QByteArray &bytes);
    // Pixels unpacked elsewhere, taken unless the capture is held again already.
    void adoptUnpacked(const QImage &image) const;

    // --- State -------------------------------------------------------------------------------------
    const BeautyStyle &style() const { return m_style; }
    // A different style is one undo step.
    void setStyle(const BeautyStyle &style);
    EditorTool tool() const { return m_tool; }
    // A different tool ends the text entry and the drag in progress (a shape drawn so far meets the
    // size floors as at a release); preview and crop clear the selection.
    void setTool(EditorTool tool);
    const QList<Annotation> &annotations() const { return m_annotations; }
    const std::optional<QRectF> &crop() const { return m_crop; }
    // The crop as drawn, in image pixels (none: the whole image). Outside a drag, one undo step.
    void setCrop(const std::optional<QRectF> &crop);
    // Takes the crop away (the command's way: ends a text entry, waits for a drag).
    void removeCrop();
    const std::optional<QUuid> &selectedID() const { return m_selectedID; }
    void setSelectedID(const std::optional<QUuid> &id);
    std::optional<Annotation> selectedAnnotation() const;
    const std::optional<QUuid> &editingTextID() const { return m_editingTextID; }
    quint32 annotationColor() const { return m_annotationColor; }
    Annotation::Thickness thickness() const { return m_thickness; }
    // The part of the image the result shows: the crop rounded outward and clipped to the image, or
    // the whole image when there is no crop or that leaves less than 8 × 8 pixels.
    QRectF visibleRect() const;

    // --- Marks -------------------------------------------------------------------------------------
    // Starts a mark of the current tool's kind at `p` (image pixels) and selects it; a text starts
    // its entry. None, and nothing changes, when the tool draws nothing.
    std::optional<QUuid> startAnnotation(QPointF p);
    // Moves the end point of the mark being drawn.
    void updateAnnotation(const QUuid &id, QPointF end);
    // Replaces the mark with the same identifier (move, resize, restyle, nudge).
    void replaceAnnotation(const Annotation &annotation);
    // Ends drawing a mark: an arrow shorter than 8 pixels, or a box, highlight or blur under 6 × 6,
    // vanishes without a trace in the history. A text stays in its entry.
    void finishAnnotation(const QUuid &id);
    // The text editor's every edit.
    void setText(const QUuid &id, const QString &text);
    // Starts typing in an existing text.
    void editText(const QUuid &id);
    // Ends typing, if any: a text left blank (spaces and tabs) vanishes, any other is one undo step.
    void finishTextEditing();
    // Ends a crop drag: a crop under 16 × 16 pixels, or leaving under 8 × 8 inside the image, is
    // removed. The crop is kept as drawn, not clipped.
    void finishCrop();
    void deleteSelected();
    // Moves the selected mark; each nudge is its own undo step.
    void nudgeSelected(double dx, double dy);
    // One undo step when there were any.
    void clearAnnotations();
    // Appends marks as one undo step.
    void addAnnotations(const QList<Annotation> &added);
    // The colour and thickness of new marks; a selected mark other than a blur takes them too.
    void setAnnotationColor(quint32 color);
    void setThickness(Annotation::Thickness thickness);
    // The stroke width of new marks of `thickness` on this capture.
    double strokeWidth(Annotation::Thickness thickness) const;

    // --- Interaction bracket: the canvas's move, resize and crop drags ------------------------------
    void beginInteraction();
    // A gesture that changed nothing leaves no step and keeps the redo history.
    void endInteraction();
    bool isInteracting() const { return m_interacting; }
    // Runs `change` now, after ending a text entry, or when the drag in progress ends.
    void applyOutsideGesture(std::function<void()> change);

    // --- History -----------------------------------------------------------------------------------
    void undo();
    void redo();
    bool canUndo() const { return !m_undoStack.isEmpty(); }
    bool canRedo() const { return !m_redoStack.isEmpty(); }

signals:
    void styleChanged();
    void toolChanged();
    void annotationsChanged();
    void cropChanged();
    void selectedIDChanged();
    void editingTextIDChanged();
    void annotationColorChanged();
    void thicknessChanged();
    // canUndo() or canRedo() changed.
    void historyChanged();
    // The result shows a new state: a step was recorded, undone or redone, or a gesture ended (one
    // that changed nothing too).
    void contentChanged();

private:
    struct Snapshot {
        BeautyStyle style;
        QList<Annotation> annotations;
        std::optional<QRectF> crop;
        bool operator==(const Snapshot &) const = default;
    };
    // What the interaction in progress is, for ending it properly when the tool changes.
    enum class Gesture { none, drawing, cropping, other };

    Snapshot snapshot() const { return {m_style, m_annotations, m_crop}; }
    void assignStyle(const BeautyStyle &style);
    void assignAnnotations(const QList<Annotation> &annotations);
    void assignCrop(const std::optional<QRectF> &crop);
    void assignEditingTextID(const std::optional<QUuid> &id);
    // The undo entry of a change of style, marks or crop made outside a gesture.
    void recordChange(const Snapshot &before);
    void pushUndo(const Snapshot &s);
    void trimUndo();
    void restore(const Snapshot &s);
    void discardInteraction();
    void runDeferred();
    // Emits historyChanged when canUndo or canRedo differ from `before`.
    void announceHistory(std::pair<bool, bool> before);
    qsizetype indexOf(const QUuid &id) const;
    // Drops the mark being drawn or typed: no selection, the interaction undone.
    void dropInteraction();

    mutable QImage m_original; // null while packed away
    QSize m_imageSize;
    qint64 m_originalKey = 0;
    mutable std::optional<QByteArray> m_packed;
    EditorRenderers *m_renderers = nullptr;
    QString m_sourcePath;

    BeautyStyle m_style;
    EditorTool m_tool = EditorTool::preview;
    QList<Annotation> m_annotations;
    std::optional<QRectF> m_crop;
    std::optional<QUuid> m_selectedID;
    std::optional<QUuid> m_editingTextID;
    quint32 m_annotationColor = 0xFF5A5F;
    Annotation::Thickness m_thickness = Annotation::Thickness::medium;

    QList<Snapshot> m_undoStack;
    QList<Snapshot> m_redoStack;
    QList<Snapshot> m_redoBeforeInteraction;
    bool m_restoring = false;
    bool m_interacting = false;
    Gesture m_gesture = Gesture::none;
    std::optional<QUuid> m_drawingID;
    QList<std::function<void()>> m_deferred;
};
