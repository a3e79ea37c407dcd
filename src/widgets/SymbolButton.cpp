#include "widgets/SymbolButton.h"

#include "widgets/Icons.h"

#include <QPainter>

SymbolButton::SymbolButton(const QString &symbol, const QString &help, int side, const QColor &color, QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol), m_color(color) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setToolTip(help);
    setAccessibleName(help);
}

void SymbolButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (isDown()) p.setOpacity(0.6);
    const QPixmap icon = Icons::pixmap(m_symbol, 12, m_color, devicePixelRatioF());
    const QSizeF size = QSizeF(icon.size()) / icon.devicePixelRatio();
    p.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), icon);
}
