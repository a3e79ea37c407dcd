#include "widgets/Divider.h"

#include "widgets/Theme.h"

#include <QPainter>

Divider::Divider(Qt::Orientation orientation, QWidget *parent) : QWidget(parent) {
    if (orientation == Qt::Horizontal) setFixedHeight(1);
    else setFixedWidth(1);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Divider::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::over(Theme::line(), Theme::bg())); }
