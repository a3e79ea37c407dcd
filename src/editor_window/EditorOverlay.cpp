#include "editor_window/EditorOverlay.h"

#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

EditorOverlay::EditorOverlay(std::function<void()> dismiss, QWidget *parent)
    : QWidget(parent), m_dismiss(std::move(dismiss)), m_opacity(new QGraphicsOpacityEffect(this)),
      m_fade(new QPropertyAnimation(m_opacity, "opacity", this)) {
    m_opacity->setOpacity(0);
    setGraphicsEffect(m_opacity);
    m_fade->setDuration(fadeMs);
    m_fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        if (!m_shown) hide();
    });
    if (parent) parent->installEventFilter(this);
    hide();
}

void EditorOverlay::setShown(bool shown) {
    if (shown == m_shown) return;
    m_shown = shown;
    setAttribute(Qt::WA_TransparentForMouseEvents, !shown);
    m_fade->stop();
    m_fade->setStartValue(m_opacity->opacity());
    m_fade->setEndValue(shown ? 1.0 : 0.0);
    if (shown) {
        if (parentWidget()) setGeometry(parentWidget()->rect());
        raise();
        show();
        appeared();
    }
    m_fade->start();
}

bool EditorOverlay::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void EditorOverlay::paintCard(QPainter &p, const QRectF &card, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), radius);
    SoftShadow::paint(p, shape, QColor(0, 0, 0, 153), 40, {0, 20});
    p.fillPath(shape, QColor(22, 22, 28));
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
    p.restore();
}

void EditorOverlay::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 140)); // black at 0.55
    paintCard(p, cardRect(), cardRadius());
}

void EditorOverlay::mousePressEvent(QMouseEvent *event) {
    // Only the dimmed layer closes; the card keeps its clicks.
    if (event->button() == Qt::LeftButton && !cardRect().contains(event->position().toPoint()) && m_dismiss) m_dismiss();
}
