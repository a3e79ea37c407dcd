#include "tutorial_window/NumberBadge.h"

#include "widgets/Theme.h"

#include <QLocale>
#include <QPainter>

NumberBadge::NumberBadge(int number, int diameter, qreal fontSize, QWidget *parent)
    : QWidget(parent), m_number(number), m_fontSize(fontSize) {
    setFixedSize(diameter, diameter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void NumberBadge::setNumber(int number) {
    if (number == m_number) return;
    m_number = number;
    update();
}

void NumberBadge::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::accent());
    p.drawEllipse(QRectF(rect()));
    p.setFont(Theme::font(m_fontSize, QFont::Bold));
    p.setPen(Theme::ink());
    p.drawText(rect(), Qt::AlignCenter, QLocale().toString(m_number));
}
