#pragma once

#include "editor/EditorModel.h"

#include <QPointer>
#include <QWidget>

// The editor page: the open capture, fitted into the page. Without a model it shows the empty
// editor's hint.
class EditorPage : public QWidget {
    Q_OBJECT
public:
    explicit EditorPage(QWidget *parent = nullptr);
    void setModel(EditorModel *model);
    EditorModel *model() const { return m_model; }
    // Where the capture is drawn, in widget coordinates (empty without a model).
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<EditorModel> m_model;
};
