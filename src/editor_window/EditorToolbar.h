#pragma once

#include "core/Annotation.h"
#include "core/EditorTool.h"

#include <QPointer>
#include <QWidget>

class EditorDocument;
class EditorPageState;

// The strip above the canvas: the eight tool buttons on the left, the current tool's options on the
// right (a hint, the colour dots and the thickness picker, the delete button, the sensitive-data
// button, or the crop buttons). It holds nothing of its own: it follows the model's state, so a tool
// chosen by key or command moves the highlight too. Where the options of some tool would not fit beside
// the tools, every tool's options go to a second row below them, so that the canvas does not jump from
// tool to tool; where even the tools do not fit at their width, they narrow down to their titles.
class EditorToolbar : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 56;
    static constexpr int optionsRowHeight = 40;
    static constexpr int toolWidth = 58;

    // The page state says whether the sensitive-data search is under way.
    EditorToolbar(EditorDocument *document, EditorPageState *page, QWidget *parent = nullptr);

    // The palette colour that is marked in the dots: the selected mark's colour, else the colour of
    // new marks.
    quint32 currentColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The blur tool's "hide sensitive data" button was pressed.
    void sensitiveSearchRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *toolGroup();
    QWidget *toolButton(EditorTool tool);
    void rebuildOptions();
    QWidget *options();
    QWidget *selectRow(bool blurSelected);
    QWidget *blurRow(bool busy);
    QWidget *cropRow(bool cropped);
    int groupWidth(int buttonWidth) const;
    int narrowestToolWidth() const;
    int widestOptions();
    void layOut();
    QWidget *hint(const char *key);
    QWidget *colorDots();
    QWidget *thicknessPicker();
    QWidget *row(int spacing, const QList<QWidget *> &items);

    QPointer<EditorDocument> m_document;
    QPointer<EditorPageState> m_page;
    QWidget *m_group = nullptr;
    QList<QWidget *> m_tools;
    QWidget *m_options = nullptr;
    int m_widestOptions = -1; // measured once: the fonts and texts stay for the page's life
    bool m_wrapped = false;
    bool m_rebuildQueued = false;
};
