#pragma once

#include "core/Backdrop.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class CardShape;
class QMenu;
class QMimeData;
class QuickModel;
class StyleStore;

// How the quick panel's view reports to its controller.
struct QuickActions {
    std::function<void()> copy;
    std::function<void()> save;
    std::function<void()> edit;
    std::function<void()> close;
    std::function<void(bool)> hover;   // the pointer entered (true) or left (false) the panel
    std::function<QMimeData *()> drag; // what a drag of the output carries (owned by the drag)
};

// The content of the quick panel, 340 × 300: the capture as a large thumbnail with a close button in
// its corner (drag it out; right-click for backdrops and commands), a strip of backdrop swatches and
// "Copiar", "Salvar", "Editar". It shows the model and the store's backdrops and changes the model's
// backdrop itself; everything else goes through the actions.
class QuickCaptureView : public QWidget {
    Q_OBJECT
public:
    QuickCaptureView(QuickModel *model, StyleStore &styles, QuickActions actions, QWidget *parent = nullptr);

    // Shows another capture in the same window: takes `model` (it becomes the view's child) and drops
    // the previous one, its picture and its actions. None empties the view, for a hidden window kept
    // for the next capture.
    void setContent(QuickModel *model, QuickActions actions);

    static constexpr int kWidth = 340;
    static constexpr int kHeight = 300;
    // The panel's shadow is drawn in a transparent margin of the window around it, where see-through
    // windows are possible (a compositor runs); 0 elsewhere, where the window is cut to the panel's shape.
    int shadowMargin() const { return m_shadowMargin; }
    // The panel inside the widget.
    QRect card() const { return QRect(m_shadowMargin, m_shadowMargin, kWidth, kHeight); }
    static constexpr int kSwatchCount = 7; // coloured backdrops in the strip

    // For tests and the controller.
    QuickModel *model() const { return m_model; }
    // Where the picture is drawn inside the thumbnail row, in view coordinates.
    QRectF pictureRect() const;
    // The thumbnail's context menu, built from the current state (the caller owns it).
    QMenu *createBackdropMenu(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_shadowMargin = 0;
    CardShape *m_shape = nullptr;
    class Thumbnail;
    class CloseButton;
    class SwatchButton;
    class QuickButton;

    void rebuildSwatches();
    void connectModel();
    void updateSelection();
    void relayout();
    QList<Backdrop> coloredBackdrops() const;

    QPointer<QuickModel> m_model;
    StyleStore &m_styles;
    QuickActions m_actions;
    Thumbnail *m_thumbnail = nullptr;
    CloseButton *m_close = nullptr;
    QList<QAbstractButton *> m_swatches;
    QAbstractButton *m_copy = nullptr;
    QAbstractButton *m_save = nullptr;
    QAbstractButton *m_edit = nullptr;
    std::optional<QPoint> m_dragOffset; // moving the panel by its background
};
