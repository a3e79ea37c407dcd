#pragma once

#include "editor/EditorModel.h"

#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class AnnotationCanvas;
class EditorToolbar;

// The editor page: the toolbar on top; below it the annotation canvas while a tool other than the
// preview is chosen, otherwise the open capture's beautified result, fitted into the page, with a small
// progress indicator until the first result lands; the untouched capture while Space is held. The
// result can be dragged out into other programs. Without a model it shows the empty editor's hint.
// Keeps the model's result current: the brand's logo and the stored export settings re-render and
// re-estimate it.
class EditorPage : public QWidget {
    Q_OBJECT
public:
    explicit EditorPage(QWidget *parent = nullptr);
    void setModel(EditorModel *model);
    EditorModel *model() const { return m_model; }
    // Where the result is drawn, in widget coordinates (empty without a model or a result).
    QRectF imageRect() const;
    EditorToolbar *toolbar() const { return m_toolbar; }
    AnnotationCanvas *canvas() const { return m_canvas; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintBusy(QPainter &p);
    const QImage &shownImage() const;
    // The part of the page under the toolbar.
    QRectF contentRect() const;
    void layoutChildren();
    void showCanvasOrPreview();

    QPointer<EditorModel> m_model;
    EditorToolbar *m_toolbar = nullptr;
    AnnotationCanvas *m_canvas = nullptr;
    QTimer m_spin;
    std::optional<QPointF> m_pressAt; // a press on the result that may become a drag
};
