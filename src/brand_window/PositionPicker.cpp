#include "brand_window/PositionPicker.h"

#include "widgets/Theme.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

PositionPicker::PositionPicker(QWidget *parent) : QWidget(parent) {
    setFixedSize(190, 112);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

void PositionPicker::setPosition(LogoPosition position) {
    m_position = position;
    update();
}

QRectF PositionPicker::spotRect(LogoPosition position) const {
    const int index = int(position);
    const int column = index % 3;
    const bool top = LogoPositions::isTop(position);
    const qreal w = 40, h = 18;
    const qreal x = 10 + column * ((width() - 20 - w) / 2);
    const qreal y = top ? 8 : height() - 8 - h;
    return {x, y, w, h};
}

void PositionPicker::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillPath(Theme::continuousRoundedRect(frame, 10), Theme::raised());
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(Theme::continuousRoundedRect(frame, 10));
    // The screenshot in the middle of its margin.
    p.fillPath(Theme::continuousRoundedRect(frame.adjusted(30, 32, -30, -32), 4), Theme::lineStrong());
    for (LogoPosition position : LogoPositions::all) {
        const bool on = position == m_position;
        const QPainterPath spot = Theme::continuousRoundedRect(spotRect(position), 5);
        p.fillPath(spot, on ? Theme::accent() : Theme::line());
        p.setPen(QPen(on ? Theme::accent() : Theme::lineStrong(), 1));
        p.drawPath(spot);
    }
}

void PositionPicker::mouseReleaseEvent(QMouseEvent *event) {
    if (!isEnabled()) return;
    for (LogoPosition position : LogoPositions::all)
        if (spotRect(position).contains(event->position())) {
            emit picked(position);
            return;
        }
}

bool PositionPicker::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        for (LogoPosition position : LogoPositions::all)
            if (spotRect(position).contains(help->pos())) {
                QToolTip::showText(help->globalPos(), LogoPositions::label(position), this);
                return true;
            }
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
