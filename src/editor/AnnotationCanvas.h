#pragma once

#include "core/Annotation.h"
#include "editor/CanvasMapping.h"

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <variant>

class EditorDocument;
class EditorRenderJob;
class QLineEdit;

// The surface on which marks are drawn, selected, moved, resized and typed, and the crop is drawn: the
// untouched capture fitted into the widget with every mark drawn live on top. It keeps only the press
// in progress; every change goes to the document, whose interaction bracket makes each press one undo step.
class AnnotationCanvas : public QWidget {
    Q_OBJECT
public:
    // A handle of the selected mark: a box's edge or corner (x, y each −1, 0 or 1), an arrow's ends,
    // a label's size.
    struct Grip {
        enum Kind { edge, arrowStart, arrowEnd, textScale };
        Kind kind = edge;
        int x = 0;
        int y = 0;
        bool operator==(const Grip &) const = default;
    };

    // The render job gives the mosaic blur marks show.
    AnnotationCanvas(EditorDocument *document, EditorRenderJob *render, QWidget *parent = nullptr);
    // Ends a text entry, then the press in progress.
    ~AnnotationCanvas() override;

    // The whole image while cropping, otherwise the document's visible part, fitted with 36 points around.
    CanvasMapping mapping() const;
    // The topmost mark under an image point (a box only near its stroke), or none.
    std::optional<Annotation> hitTest(QPointF p) const;
    // The handles of a mark with their image points.
    static QList<std::pair<Grip, QPointF>> grips(const Annotation &a);
    // The first handle of `a` within 9 points of `p`, or none.
    std::optional<Grip> gripHit(QPointF p, const Annotation &a) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Drawing {
        QUuid id;
    };
    struct Moving {
        Annotation from;
        QPointF start;
    };
    struct Resizing {
        Annotation from;
        Grip grip;
    };
    struct Cropping {
        QPointF start;
    };
    struct Tap {};
    struct Idle {};
    using DragState = std::variant<Drawing, Moving, Resizing, Cropping, Tap, Idle>;

    QPointF clampedImagePoint(QPointF viewPoint) const;
    void press(QMouseEvent *event, int clicks);
    DragState begin(QPointF p);
    void change(QPointF p);
    void end(QPointF p);
    // The press ends without its release (the canvas goes away).
    void abandon();
    void modelChanged();
    void syncTextField();
    void updateLook();

    void drawImage(QPainter &p, const CanvasMapping &m);
    void drawAnnotations(QPainter &p, const CanvasMapping &m);
    void drawAnnotation(QPainter &p, const Annotation &a, const CanvasMapping &m);
    void drawSelection(QPainter &p, const CanvasMapping &m) const;
    void drawCropOverlay(QPainter &p, const CanvasMapping &m) const;
    void drawTextFieldFrame(QPainter &p) const;

    QPointer<EditorDocument> m_document;
    QPointer<EditorRenderJob> m_render;
    std::optional<DragState> m_drag;
    int m_clicks = 1;
    QLineEdit *m_textField = nullptr;
    // The capture and its mosaic scaled for the current mapping, made once per mapping.
    QPixmap m_scaledOriginal;
    QPixmap m_scaledMosaic;
    QSize m_scaledFor;
    // Each mark drawn once (shadow and all) for the current mapping, so that a drag redraws only the
    // mark it changes. Kept while the mark and the mapping stay the same.
    struct MarkLayer {
        Annotation mark;
        QImage image;
        QPointF at;
    };
    MarkLayer markLayer(const Annotation &a, const QTransform &toView) const;
    QHash<QUuid, MarkLayer> m_markLayers;
    std::optional<CanvasMapping> m_layersFor;
    qreal m_layersRatio = 0;
};
