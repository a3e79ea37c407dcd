#include "widgets/CardShape.h"

#include "platform/WindowHints.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

CardShape::CardShape(QWidget *window, std::function<QPainterPath()> card, std::function<bool()> translucent)
    : QObject(window), m_window(window), m_card(std::move(card)), m_translucent(std::move(translucent)) {
    if (!m_translucent) m_translucent = &platform::translucentWindows;
    window->installEventFilter(this);
    connect(&platform::CompositorWatch::shared(), &platform::CompositorWatch::changed, this, &CardShape::refresh);
    refresh();
}

QRegion CardShape::mask(const QPainterPath &card, bool translucent) {
    if (translucent) return {};
    return QRegion(card.toFillPolygon().toPolygon(), Qt::WindingFill);
}

QPoint CardShape::keptInside(const QRect &window, const QRect &area) {
    return {std::clamp(window.x(), area.left(), std::max(area.left(), area.right() + 1 - window.width())),
            std::clamp(window.y(), area.top(), std::max(area.top(), area.bottom() + 1 - window.height()))};
}

void CardShape::refresh() {
    const QPainterPath card = m_card();
    const QRegion shape = mask(card, m_translucent());
    const bool cut = !shape.isEmpty();
    if (cut) m_window->setMask(shape);
    else if (!m_window->mask().isEmpty()) m_window->clearMask();
    // Set whether or not a compositor runs; costs no round trip. Qt's xcb backend leaves a window that
    // asks for no input (the toast) taking clicks all over, so that one is set here too.
    platform::setInputRegion(m_window->windowHandle(), takesInput() ? mask(card, false) : QRegion());
    if (cut != m_cut) {
        m_cut = cut;
        m_window->update();
    }
}

bool CardShape::takesInput() const { return !(m_window->windowFlags() & Qt::WindowTransparentForInput); }

bool CardShape::eventFilter(QObject *watched, QEvent *event) {
    // Asked again at each show: a compositor may have come or gone while the window was hidden.
    if (watched == m_window && (event->type() == QEvent::Show || event->type() == QEvent::Resize)) {
        refresh();
        // Qt gives a window that asks for no input the whole of it as its input region again as it maps
        // it, after the show event: set once more when that is done.
        if (event->type() == QEvent::Show && !takesInput())
            QMetaObject::invokeMethod(this, &CardShape::refresh, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
