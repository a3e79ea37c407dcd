#include "widgets/CardShape.h"

#include "platform/WindowHints.h"

#include <QEvent>
#include <QWidget>

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

void CardShape::refresh() {
    const QRegion shape = mask(m_card(), m_translucent());
    const bool cut = !shape.isEmpty();
    if (cut) m_window->setMask(shape);
    else if (!m_window->mask().isEmpty()) m_window->clearMask();
    if (cut != m_cut) {
        m_cut = cut;
        m_window->update();
    }
}

bool CardShape::eventFilter(QObject *watched, QEvent *event) {
    // Asked again at each show: a compositor may have come or gone while the window was hidden.
    if (watched == m_window && (event->type() == QEvent::Show || event->type() == QEvent::Resize)) refresh();
    return QObject::eventFilter(watched, event);
}
