#include "widgets/ToggleSwitch.h"

#include "widgets/ControlState.h"
#include "widgets/KeptPicture.h"
#include "widgets/Theme.h"

#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>

namespace {

// The tint of every switch of the interface.
const QColor kTint(157, 140, 245);

} // namespace

ToggleSwitch::ToggleSwitch(QWidget *parent) : QAbstractButton(parent), m_animation(new QVariantAnimation(this)) {
    setCheckable(true);
    ControlState::pointWhileEnabled(this);
    setFixedSize(sizeHint());
    m_animation->setDuration(160);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_position = value.toReal();
        update();
    });
}

void ToggleSwitch::checkStateSet() {
    QAbstractButton::checkStateSet();
    follow(false); // set from code: no slide
}

void ToggleSwitch::nextCheckState() {
    QAbstractButton::nextCheckState();
    follow(true);
}

void ToggleSwitch::follow(bool animated) {
    const qreal target = isChecked() ? 1.0 : 0.0;
    m_animation->stop();
    if (!animated || !isVisible()) {
        m_position = target;
        update();
        return;
    }
    m_animation->setStartValue(m_position);
    m_animation->setEndValue(target);
    m_animation->start();
}

void ToggleSwitch::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // At rest the switch is one of a few kept pictures: its translucent outline and shadow drawn
    // afresh would be sliced across Qt's thread pool in a first frame. Sliding, it is drawn.
    if (m_position == 0.0 || m_position == 1.0) {
        const QString key = QStringLiteral("toggle:%1:%2").arg(m_position).arg(isEnabled());
        p.drawImage(QPoint(), keptPicture(key, size(), devicePixelRatioF(), [this](QPainter &k) { paintSwitch(k); }));
    } else {
        paintSwitch(p);
    }
}

void ToggleSwitch::paintSwitch(QPainter &p) const {
    ControlState::dimWhileDisabled(p, *this);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = track.height() / 2;
    p.setPen(QPen(Theme::mix(Theme::lineStrong(), kTint, m_position), 1));
    p.setBrush(Theme::mix(Theme::raised(), kTint, m_position));
    p.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = track.left() + 2 + (track.width() - 4 - knob) * m_position;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawEllipse(QRectF(x, track.top() + 2.5, knob, knob));
    p.setBrush(Theme::mix(Theme::text2(), QColor(255, 255, 255), m_position));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}
