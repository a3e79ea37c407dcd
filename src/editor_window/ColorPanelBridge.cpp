#include "editor_window/ColorPanelBridge.h"

#include "core/Localization.h"

#include <QColorDialog>
#include <QScreen>

#include <algorithm>

ColorPanelBridge &ColorPanelBridge::shared() {
    static ColorPanelBridge *bridge = new ColorPanelBridge; // lives as long as the process
    return *bridge;
}

void ColorPanelBridge::open(const QColor &color, std::function<void(const QColor &)> handler, const QWidget *beside) {
    if (!m_panel) {
        m_panel = new QColorDialog;
        m_panel->setAttribute(Qt::WA_DeleteOnClose, false);
        m_panel->setOption(QColorDialog::NoButtons);
        // Qt's own dialog whatever the platform theme: it reports every change while the user drags and
        // its screen picker works on X11.
        m_panel->setOption(QColorDialog::DontUseNativeDialog);
        m_panel->setWindowTitle(L("Cores"));
        m_panel->setAttribute(Qt::WA_ShowWithoutActivating);
        // A floating panel: shown without focus, a window manager would otherwise stack it under the
        // window being worked in.
        m_panel->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    onChange = nullptr;
    m_panel->disconnect(this);
    m_panel->setOption(QColorDialog::ShowAlphaChannel, false);
    m_panel->setCurrentColor(color);
    onChange = std::move(handler);
    connect(m_panel, &QColorDialog::currentColorChanged, this, &ColorPanelBridge::colorChanged);
    if (beside && !m_panel->isVisible()) placeBeside(beside);
    m_panel->show();
    m_panel->raise();
}

void ColorPanelBridge::placeBeside(const QWidget *widget) {
    const QRect window = widget->window()->frameGeometry();
    const QScreen *screen = widget->window()->screen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    const QSize size = m_panel->frameGeometry().size().expandedTo(m_panel->sizeHint());
    const int gap = 12;
    const int top = std::clamp(window.top(), room.top(), std::max(room.top(), room.bottom() - size.height()));
    if (window.right() + gap + size.width() <= room.right()) m_panel->move(window.right() + gap, top);
    else if (window.left() - gap - size.width() >= room.left()) m_panel->move(window.left() - gap - size.width(), top);
}

void ColorPanelBridge::detach() {
    onChange = nullptr;
    if (!m_panel) return;
    m_panel->disconnect(this);
    m_panel->hide();
}

void ColorPanelBridge::colorChanged(const QColor &color) {
    if (onChange) onChange(color);
}
