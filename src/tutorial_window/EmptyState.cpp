#include "tutorial_window/EmptyState.h"

#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

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
