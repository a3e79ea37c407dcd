#include "tutorial_window/TutorialPanels.h"

#include "widgets/Theme.h"

#include <QPainter>

RoundedPanel::RoundedPanel(const QColor &fill, qreal radius, QWidget *parent)
    : QWidget(parent), m_fill(fill), m_radius(radius) {}

void RoundedPanel::paint(QWidget *widget, const QColor &fill, qreal radius) {
    QPainter p(widget);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape =
        Theme::continuousRoundedRect(QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius);
    p.fillPath(shape, fill);
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(shape);
}

void RoundedPanel::paintEvent(QPaintEvent *) { paint(this, m_fill, m_radius); }

FilledArea::FilledArea(const QColor &fill, QWidget *parent) : QWidget(parent), m_fill(fill) {}

FilledArea *FilledArea::divider(QWidget *parent) {
    auto *line = new FilledArea(Theme::line(), parent);
    line->setFixedHeight(1);
    return line;
}

void FilledArea::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), m_fill); }
