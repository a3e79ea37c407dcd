#include "widgets/SymbolButton.h"

#include "widgets/ControlState.h"
#include "widgets/Icons.h"

#include <QPainter>

SymbolButton::SymbolButton(const QString &symbol, const QString &help, int side, const QColor &color, QWidget *parent)
    : SymbolButton(symbol, help, QSize(side, side), 12, color, parent) {}

SymbolButton::SymbolButton(const QString &symbol, const QString &help, QSize frame, int symbolSize, const QColor &color,
                           QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol), m_symbolSize(symbolSize), m_color(color) {
    setFixedSize(frame);
    ControlState::pointWhileEnabled(this);
    setToolTip(help);
    setAccessibleName(help);
}

void SymbolButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing); // a frame of odd size puts the symbol on half pixels
    if (isDown()) p.setOpacity(0.6);
    ControlState::dimWhileDisabled(p, *this);
    const QPixmap icon = Icons::pixmap(m_symbol, m_symbolSize, m_color, devicePixelRatioF());
    const QSizeF size = QSizeF(icon.size()) / icon.devicePixelRatio();
    p.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), icon);
}
