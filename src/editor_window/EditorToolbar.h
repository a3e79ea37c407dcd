#pragma once

#include "core/Annotation.h"
#include "core/EditorTool.h"

#include <QPointer>
#include <QWidget>

class EditorModel;

// The strip above the canvas: the eight tool buttons on the left, the current tool's options on the
// right (a hint, the colour dots and the thickness picker, the delete button, the sensitive-data
// button, or the crop buttons). It holds nothing of its own: it follows the model's state, so a tool
// chosen by key or command moves the highlight too.
class EditorToolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 56;

    explicit EditorToolbar(EditorModel *model, QWidget *parent = nullptr);

    // The palette colour that is marked in the dots: the selected mark's colour, else the colour of
    // new marks.
    quint32 currentColor() const;

private:
    QWidget *toolGroup();
    QWidget *toolButton(EditorTool tool);
    void rebuildOptions();
    QWidget *options();
    QWidget *hint(const char *key);
    QWidget *colorDots();
    QWidget *thicknessPicker();
    QWidget *row(int spacing, const QList<QWidget *> &items);

    QPointer<EditorModel> m_model;
    QWidget *m_options = nullptr;
    bool m_rebuildQueued = false;
};
