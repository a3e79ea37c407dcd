#include "widgets/Picker.h"

#include "widgets/ControlState.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/WheelGuard.h"

#include <QAbstractItemView>
#include <QPainter>

Picker::Picker(int width, QWidget *parent) : QComboBox(parent) {
    setFixedSize(width, 30);
    setFont(Theme::font(13));
    ControlState::pointWhileEnabled(this);
    WheelGuard::install(this);
    // The open list: the raised fill, the accent's soft tint under the pointer.
    view()->setStyleSheet(
        QStringLiteral("QAbstractItemView { background: %1; color: %2; border: 1px solid %3; outline: 0; "
                       "selection-background-color: %4; selection-color: %2; padding: 4px; }")
            .arg(Theme::raised().name(), Theme::text().name(), Theme::lineStrong().name(QColor::HexArgb),
                 Theme::rgb(0xC9BEFF, 0.18).name(QColor::HexArgb)));
    connect(this, &QComboBox::activated, this, [this](int index) { emit chosen(itemData(index)); });
}

void Picker::addChoice(const QString &text, const QVariant &value) { addItem(text, value); }

bool Picker::setCurrentValue(const QVariant &value) {
    const int index = findData(value);
    if (index < 0) return false;
    setCurrentIndex(index);
    return true;
}

void Picker::choose(const QVariant &value) {
    const int index = findData(value);
    if (index < 0) return;
    setCurrentIndex(index);
    emit activated(index);
}

void Picker::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    ControlState::dimWhileDisabled(p, *this);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Theme::continuousRoundedRect(box, 7);
    p.fillPath(shape, Theme::raised());
    p.setPen(QPen(ControlState::isHovered(*this) || hasFocus() ? Theme::accentLine() : Theme::lineStrong(), 1));
    p.drawPath(shape);
    const QRect text = rect().adjusted(10, 0, -28, 0);
    p.setFont(font());
    p.setPen(Theme::text());
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(currentText(), Qt::ElideRight, text.width()));
    const int side = 12;
    p.drawPixmap(QRect(width() - 10 - side, (height() - side) / 2, side, side),
                 Icons::pixmap(QStringLiteral("chevron.up.chevron.down"), side, Theme::text2(), devicePixelRatioF()));
}
