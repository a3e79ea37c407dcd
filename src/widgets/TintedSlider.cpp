#include "widgets/TintedSlider.h"

#include "widgets/ControlState.h"
#include "widgets/Theme.h"
#include "widgets/WheelGuard.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr qreal kThumb = 16;
constexpr qreal kTrack = 4;

} // namespace

TintedSlider::TintedSlider(QColor tint, QWidget *parent) : QSlider(Qt::Horizontal, parent), m_tint(tint) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ControlState::pointWhileEnabled(this);
    WheelGuard::install(this);
    setPageStep(1);
}

qreal TintedSlider::thumbCentre(int v) const {
    const qreal span = width() - kThumb;
    const int range = maximum() - minimum();
    const qreal t = range > 0 ? qreal(v - minimum()) / range : 0;
    return kThumb / 2 + t * span;
}

int TintedSlider::valueAt(qreal x) const {
    const qreal span = std::max<qreal>(1, width() - kThumb);
    const qreal t = std::clamp((x - kThumb / 2) / span, 0.0, 1.0);
    return minimum() + qRound(t * (maximum() - minimum()));
}

void TintedSlider::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setSliderDown(true);
    setSliderPosition(valueAt(event->position().x()));
    event->accept();
}

void TintedSlider::mouseMoveEvent(QMouseEvent *event) {
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    setSliderPosition(valueAt(event->position().x()));
    event->accept();
}

void TintedSlider::mouseReleaseEvent(QMouseEvent *event) {
    if (!isSliderDown() || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setSliderPosition(valueAt(event->position().x()));
    setSliderDown(false);
    event->accept();
}

void TintedSlider::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    ControlState::dimWhileDisabled(p, *this);
    const qreal midY = height() / 2.0;
    const QRectF track(kThumb / 2, midY - kTrack / 2, width() - kThumb, kTrack);
    const qreal centre = thumbCentre(sliderPosition());
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::raised().lighter(140));
    p.drawRoundedRect(track, kTrack / 2, kTrack / 2);
    p.setBrush(m_tint);
    p.drawRoundedRect(QRectF(track.left(), track.top(), centre - track.left(), kTrack), kTrack / 2, kTrack / 2);
    const QRectF thumb(centre - kThumb / 2, midY - kThumb / 2, kThumb, kThumb);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(thumb.translated(0, 1));
    p.setBrush(QColor(240, 240, 245));
    p.drawEllipse(thumb);
}
