#pragma once

#include "capture/OverlayBackdrop.h"
#include "capture/WindowInfo.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

// The state every overlay window shares: one change redraws all displays at once. Main thread only.
class OverlayModel : public QObject {
    Q_OBJECT
public:
    using Mode = OverlayMode;
    enum class Phase { idle, drawing, adjusting };

    OverlayModel(Mode mode, const QPointF &mouse, QObject *parent = nullptr);

    Mode mode() const { return m_mode; }
    Phase phase() const { return m_phase; }
    // Global points.
    const std::optional<QRectF> &selection() const { return m_selection; }
    // The bounds of the display the selection was drawn on; changing it alone redraws nothing.
    const std::optional<QRectF> &selectionBounds() const { return m_selectionBounds; }
    const std::optional<WindowInfo> &hoveredWindow() const { return m_hoveredWindow; }
    QPointF mouse() const { return m_mouse; }

    void setMode(Mode mode);
    void setPhase(Phase phase);
    void setSelection(const std::optional<QRectF> &selection);
    void setSelectionBounds(const std::optional<QRectF> &bounds) { m_selectionBounds = bounds; }
    void setHoveredWindow(const std::optional<WindowInfo> &window);
    void setMouse(const QPointF &mouse);

signals:
    // Any published field changed.
    void changed();

private:
    Mode m_mode;
    Phase m_phase = Phase::idle;
    std::optional<QRectF> m_selection;
    std::optional<QRectF> m_selectionBounds;
    std::optional<WindowInfo> m_hoveredWindow;
    QPointF m_mouse;
};

// What the overlay hands back: an area cut from the frozen display, or a window to capture afresh.
struct OverlayResult {
    enum class Kind { area, window };
    Kind kind = Kind::area;
    QImage image; // area: the cut image
    QRectF rect;  // area: the selection within its display, global points
    quint32 displayID = 0;
    WindowInfo window; // window: the picked window

    static OverlayResult area(const QImage &image, const QRectF &rect, quint32 displayID) {
        return {Kind::area, image, rect, displayID, {}};
    }
    static OverlayResult windowResult(const WindowInfo &info) { return {Kind::window, {}, {}, 0, info}; }
};

// The three operations the views may call; each does nothing once the controller is gone.
struct OverlayActions {
    std::function<void()> confirm;
    std::function<void()> cancel;
    std::function<void(OverlayModel::Mode)> setMode;
};
