#include "widgets/HoverProgress.h"

#include "widgets/ControlState.h"

#include <QEvent>
#include <QVariantAnimation>
#include <QWidget>

HoverProgress::HoverProgress(QWidget *widget, int durationMs)
    : QObject(widget), m_widget(widget), m_animation(new QVariantAnimation(this)) {
    widget->setAttribute(Qt::WA_Hover);
    widget->installEventFilter(this);
    m_animation->setDuration(durationMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_value = value.toReal();
        m_widget->update();
        emit valueChanged(m_value);
    });
    connect(m_animation, &QVariantAnimation::finished, this, &HoverProgress::settled);
}

bool HoverProgress::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_widget) return false;
    // A disabled widget shows no hover: a click there would not act.
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave)
        setHovering(event->type() == QEvent::Enter && m_widget->isEnabled());
    else if (event->type() == QEvent::EnabledChange) setHovering(ControlState::isHovered(*m_widget));
    return false;
}

void HoverProgress::setHovering(bool hovering) {
    if (hovering == m_hovering) return;
    m_hovering = hovering;
    emit hoveringChanged(hovering);
    m_animation->stop();
    m_animation->setStartValue(m_value);
    m_animation->setEndValue(hovering ? 1.0 : 0.0);
    m_animation->start();
    m_widget->update();
}
