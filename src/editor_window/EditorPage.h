#pragma once

#include "editor/EditorModel.h"

#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

// The editor page: the open capture's beautified result, fitted into the page, with a small
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

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void paintBusy(QPainter &p);
    const QImage &shownImage() const;

    QPointer<EditorModel> m_model;
    QTimer m_spin;
    int m_spinStep = 0;
    std::optional<QPointF> m_pressAt; // a press on the result that may become a drag
};
