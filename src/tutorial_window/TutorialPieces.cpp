#include "tutorial_window/TutorialPieces.h"

#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"

#include <QLabel>

#include <QPainter>

PrimaryButton *recordingButton(const QString &text, QWidget *parent) {
    QPixmap dot(18, 18);
    dot.setDevicePixelRatio(2);
    dot.fill(Qt::transparent);
    {
        QPainter p(&dot);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::recordingRed());
        p.drawEllipse(QRectF(0, 0, 9, 9));
    }
    auto *button = new PrimaryButton(text, parent);
    button->setIcon(QIcon(dot));
    button->setIconSize(QSize(9, 9));
    return button;
}

QLabel *emptyStateSymbol(const QString &name, QWidget *parent) {
    auto *symbol = new QLabel(parent);
    symbol->setPixmap(Icons::pixmap(name, 40, Theme::accent(), parent->devicePixelRatioF()));
    return symbol;
}

RoundedPanel::RoundedPanel(const QColor &fill, qreal radius, QWidget *parent)
    : QWidget(parent), m_fill(fill), m_radius(radius) {}

void RoundedPanel::paint(QWidget *widget, const QColor &fill, qreal radius) {
    QPainter p(widget);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius);
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
