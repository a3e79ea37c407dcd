#pragma once

#include "capture/CaptureSession.h"
#include "capture/OverlayGeometry.h"
#include "capture/OverlayModel.h"

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class OverlayController;

// The content of one overlay window: the frozen display, the selection or the hovered window with
// their labels, the hint card that follows the pointer, the toolbar under a finished selection and the
// mode-and-hints panel. Pointer input changes the model; keys belong to the controller.
class OverlayView : public QWidget {
    Q_OBJECT
public:
    struct Hint {
        QStringList keys;
        QString text;
    };

    // Interactive and placed pieces, in local points (none when not shown on this display).
    struct Layout {
        std::optional<QRectF> hintCard;
        std::optional<QRectF> sizeTag;
        std::optional<QRectF> windowBadge;
        std::optional<QRectF> toolbar;     // the pill
        std::optional<QRectF> toolbarSize; // in the pill: the selection's size, then a divider
        std::optional<QRectF> toolbarDivider;
        std::optional<QRectF> cancelButton;
        std::optional<QRectF> captureButton;
        std::optional<QRectF> tips; // the tips line below the pill, when shown
        std::optional<QRectF> hud;
        std::optional<QRectF> areaButton;
        std::optional<QRectF> windowButton;
    };

    // An override-redirect window showing nothing until it is bound.
    explicit OverlayView(QWidget *parent = nullptr);

    // Shows this capture's display from the next paint on. The view only reads the controller, the
    // session and the model, which must outlive the binding.
    void bind(OverlayController *controller, const DisplaySnapshot &snapshot, const QImage &blurred,
              const CaptureSession *session, OverlayModel *model);
    // Lets go of the capture (its pictures, the model) so that a hidden view holds nothing of it.
    void unbind();
    OverlayController *controller() const;

    const DisplaySnapshot &snapshot() const { return m_snapshot; }
    // The blurred display, when it was made after the view (window mode shows it).
    void setBlurred(const QImage &blurred);
    // Runs `work` once on the event loop's turn after this binding's next painted frame: work the
    // first frame should not wait for. Dropped when the view is unbound first.
    void afterNextFrame(std::function<void()> work);
    QList<Hint> hints() const;
    Layout layout() const;
    // What the size labels read, in the picture's pixels (as the editor then counts them, 600 × 300 for
    // 300 × 150 points at 2×): the selection's or the hovered window's; none while neither is shown here.
    std::optional<QSizeF> labelledSize() const;
    Qt::CursorShape cursorAt(const QPointF &global) const;

    // Pointer handling in this view's local points (mouse events arrive here through the controller,
    // which routes a grabbed pointer to the view it belongs to).
    void hover(const QPointF &local);
    void press(const QPointF &local, int clickCount);
    void dragTo(const QPointF &local);
    void release(const QPointF &local);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum class DragKind { move, resize, draw };
    struct Drag {
        DragKind kind = DragKind::draw;
        Handle handle;
        QRectF rect;
        QPointF start; // global
    };
    enum class Button { none, cancel, capture, area, window, surface };

    std::optional<QRectF> localSelection() const;
    std::optional<QRectF> localWindow() const;
    // The pixels the selection `local` takes from the frozen display; those of the hovered window.
    QSizeF selectionPixels(const QRectF &local) const;
    QSizeF windowPixels(const WindowInfo &window) const;
    QSizeF displaySize() const { return QSizeF(width(), height()); }
    Drag beginDrag(const QPointF &global) const;
    void changed(const QPointF &startGlobal, const QPointF &currentGlobal);
    void setCursorShape(Qt::CursorShape shape);
    Button buttonAt(const QPointF &local) const;
    OverlayView *routeTarget(const QPointF &global);
    void pointerDown(QMouseEvent *event, int clickCount);

    void paintAreaChrome(QPainter &p);
    void paintWindowChrome(QPainter &p);
    void paintToolbar(QPainter &p, const QRectF &selection);
    void paintHud(QPainter &p);

    QPointer<OverlayController> m_controller;
    DisplaySnapshot m_snapshot;
    QImage m_blurred;
    const CaptureSession *m_session = nullptr;
    OverlayModel *m_model = nullptr; // null while unbound: input and paints are then ignored
    QMetaObject::Connection m_modelChanged;
    std::function<void()> m_afterFrame;
    std::optional<Drag> m_drag;
    int m_clickCount = 1;
    Button m_pressedButton = Button::none;
};
