#include "widgets/OverlayButton.h"

#include "widgets/ControlState.h"
#include "widgets/HoverProgress.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace {
constexpr int kSymbolSide = 10;
}

OverlayButton::OverlayButton(const QString &symbol, const QString &help, int side, qreal discOpacity, QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol), m_discOpacity(discOpacity) {
    setFixedSize(side, side);
    ControlState::pointWhileEnabled(this);
    setToolTip(help);
    setAccessibleName(help);
}

void OverlayButton::setOpacity(qreal opacity) {
    m_opacity = opacity;
    update();
}

void OverlayButton::followHover(HoverProgress *hover) {
    setVisible(hover->isHovering());
    setOpacity(hover->value());
    connect(hover, &HoverProgress::hoveringChanged, this, [this](bool hovering) {
        if (hovering) show();
    });
    connect(hover, &HoverProgress::valueChanged, this, &OverlayButton::setOpacity);
    connect(hover, &HoverProgress::settled, this, [this, hover] { setVisible(hover->isHovering()); });
}

void OverlayButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(m_opacity);
    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(m_discOpacity)));
    p.drawEllipse(circle);
    const QPixmap icon = Icons::pixmap(m_symbol, kSymbolSide, Theme::text(), devicePixelRatioF());
    p.drawPixmap(QPointF((width() - kSymbolSide) / 2.0, (height() - kSymbolSide) / 2.0), icon);
}
