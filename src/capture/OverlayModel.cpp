#include "capture/OverlayModel.h"

OverlayModel::OverlayModel(Mode mode, const QPointF &mouse, QObject *parent)
    : QObject(parent), m_mode(mode), m_mouse(mouse) {}

void OverlayModel::setMode(Mode mode) {
    if (m_mode == mode) return;
    m_mode = mode;
    emit changed();
}

void OverlayModel::setPhase(Phase phase) {
    if (m_phase == phase) return;
    m_phase = phase;
    emit changed();
}

void OverlayModel::setSelection(const std::optional<QRectF> &selection) {
    if (m_selection == selection) return;
    m_selection = selection;
    emit changed();
}

void OverlayModel::setHoveredWindow(const std::optional<WindowInfo> &window) {
    if (m_hoveredWindow == window) return;
    m_hoveredWindow = window;
    emit changed();
}

void OverlayModel::setMouse(const QPointF &mouse) {
    if (m_mouse == mouse) return;
    m_mouse = mouse;
    emit changed();
}
