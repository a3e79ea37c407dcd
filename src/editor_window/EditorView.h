#pragma once

#include "editor/EditorModel.h"

#include <QPointer>
#include <QWidget>

class AnnotationCanvas;
class BackdropDraftSheet;
class BrandStore;
class CommandBarView;
class EditorBottomBar;
class EditorToolbar;
class EditorTopBar;
class PreviewStage;
class QLabel;
class QScrollArea;
class QStackedWidget;
class ShortcutsSheet;
class StyleStore;

// The editor page of one open capture: the top bar; the work area (the toolbar over the annotation
// canvas, or over the preview stage while the preview tool is chosen, and the 300-wide scrolling slot
// of the side panel); the bottom bar; the command bar and the shortcuts sheet laid over it all while
// the model's flags are set, and the backdrop editor sheet while it holds a draft. It keeps nothing of
// its own and binds no keys (the main window hands them to the editor's key table): every control
// calls one model operation. It renders afresh when it comes on screen and when the brand's kit or
// logo changes (the model skips a render whose logo is unchanged), and re-estimates the export size
// when the stored export settings change. Built by the page frame, one per open model.
//
// The whole page takes longer than a frame to make. Made `inSteps`, the constructor makes only the
// empty column; each buildStep() adds one piece (the top bar, the work area, the bottom bar, the side
// panel, the rest) while the page is hidden, so no turn of the event loop holds a frame.
class EditorView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;
    enum class Build { atOnce, inSteps };

    EditorView(EditorModel *model, StyleStore &styles, BrandStore &brand, QWidget *parent = nullptr,
               Build build = Build::atOnce);

    EditorModel *model() const { return m_model; }
    // Adds the next piece of a page made in steps: whether pieces remain.
    bool buildStep();
    void finishBuilding();
    bool isBuilt() const { return m_built == Piece::done; }

    // The side panel's hint line: `text` in the interface font at 11, Theme::text3, wrapping onto as
    // many lines as it needs.
    static QLabel *tip(const QString &text, QWidget *parent = nullptr);

    // The side panel's slot is a vertical scroll area 300 wide on the panel colour, empty until a panel
    // is set. `setPanel` puts `panel` in it (the slot takes it, replacing any earlier one).
    void setPanel(QWidget *panel);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    enum class Piece { topBar, workArea, bottomBar, panel, rest, done };
    QWidget *workArea();
    void showCanvasOrStage();
    void followCommandBar();
    void followShortcuts();
    void releaseOriginal();

    QPointer<EditorModel> m_model;
    StyleStore &m_styles;
    BrandStore &m_brand;
    Piece m_built = Piece::topBar; // the next piece to add
    EditorTopBar *m_topBar = nullptr;
    EditorBottomBar *m_bottomBar = nullptr;
    EditorToolbar *m_toolbar = nullptr;
    QStackedWidget *m_canvasStack = nullptr;
    PreviewStage *m_stage = nullptr;
    AnnotationCanvas *m_canvas = nullptr;
    QScrollArea *m_panelSlot = nullptr;
    CommandBarView *m_commandBar = nullptr;
    ShortcutsSheet *m_shortcuts = nullptr;
    BackdropDraftSheet *m_backdropSheet = nullptr;
};
