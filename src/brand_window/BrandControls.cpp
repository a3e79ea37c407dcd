#include "brand_window/BrandControls.h"

#include "core/Localization.h"
#include "widgets/BackdropSwatch.h"
#include "widgets/Icons.h"
#include "widgets/PlainText.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QConicalGradient>
#include <QEvent>
#include <QPainter>

BrandSwitch::BrandSwitch(QWidget *parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void BrandSwitch::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.5);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? QColor(157, 140, 245) : Theme::lineStrong());
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const qreal d = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - d : track.left() + 2;
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
}

ColorSwatchButton::ColorSwatchButton(quint32 color, int side, bool round, QWidget *parent)
    : QAbstractButton(parent), m_color(color), m_round(round) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
}

void ColorSwatchButton::setColor(quint32 color) {
    m_color = color;
    update();
}

void ColorSwatchButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    if (m_round) shape.addEllipse(r);
    else shape = Theme::continuousRoundedRect(r, 7);
    p.fillPath(shape, Theme::rgb(m_color));
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
}

OptionChip::OptionChip(const QString &title, Swatch swatch, QWidget *parent)
    : QAbstractButton(parent), m_swatch(std::move(swatch)) {
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(12));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OptionChip::setSwatch(Swatch swatch) {
    const bool had = bool(m_swatch);
    m_swatch = std::move(swatch);
    if (had != bool(m_swatch)) updateGeometry();
    update();
}

QFont OptionChip::titleFont() const {
    QFont title = font();
    title.setWeight(isChecked() ? QFont::DemiBold : QFont::Normal);
    return title;
}

QSize OptionChip::sizeHint() const {
    // Measured in the heavier weight, so that choosing a chip never widens it.
    QFont heavier = font();
    heavier.setWeight(QFont::DemiBold);
    return {QFontMetrics(heavier).horizontalAdvance(text()) + (m_swatch ? 18 : 0) + 20, 28};
}

void OptionChip::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7);
    p.fillPath(shape, isChecked() ? Theme::accentSoft() : Theme::raised());
    p.setPen(QPen(isChecked() ? Theme::accentLine() : Theme::line(), 1));
    p.drawPath(shape);
    // The swatch and the title side by side, the pair centred, cut at the padding when too long.
    const QFont title = titleFont();
    const qreal swatchWidth = m_swatch ? 12 + 6 : 0;
    const qreal room = width() - 20;
    const qreal pair = qMin<qreal>(room, swatchWidth + QFontMetricsF(title).horizontalAdvance(text()));
    const qreal left = 10 + (room - pair) / 2;
    if (m_swatch) m_swatch(p, QRectF(left, (height() - 12) / 2.0, 12, 12));
    const QRectF textRect(left + swatchWidth, 0, pair - swatchWidth, height());
    p.setFont(title);
    p.setPen(isChecked() ? Theme::text() : Theme::text2());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetricsF(title).elidedText(text(), Qt::ElideRight, textRect.width()));
}

BackdropTile::BackdropTile(const Backdrop &backdrop, bool compact, QWidget *parent)
    : QAbstractButton(parent), m_compact(compact) {
    setCursor(Qt::PointingHandCursor);
    setCheckable(compact);
    if (compact) setFixedSize(40, 26);
    else setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setBackdrop(backdrop);
}

void BackdropTile::setBackdrop(const Backdrop &backdrop) {
    m_backdrop = backdrop;
    setToolTip(plainToolTip(m_compact ? L(LKey("Ver com %@", {backdrop.displayName()}))
                                      : L(LKey("Editar %@", {backdrop.displayName()}))));
    setAccessibleName(backdrop.displayName());
    update();
}

QSize BackdropTile::sizeHint() const { return m_compact ? QSize(40, 26) : QSize(110, 64 + 6 + 16); }

void BackdropTile::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = m_compact ? 6 : 8;
    const QRectF swatch = m_compact ? QRectF(rect()) : QRectF(0, 0, width(), 64);
    BackdropSwatch::paint(p, swatch, m_backdrop, radius);
    const QRectF outline = swatch.adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_compact) {
        const bool on = isChecked();
        p.setPen(QPen(on ? Theme::accent() : Theme::line(), on ? 2 : 1));
        p.drawPath(Theme::continuousRoundedRect(on ? swatch.adjusted(1, 1, -1, -1) : outline, radius));
        return;
    }
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(Theme::continuousRoundedRect(outline, radius));
    const QRectF badge(swatch.right() - 5 - 18, swatch.top() + 5, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 217));
    p.drawEllipse(badge);
    p.drawPixmap(badge.adjusted(4, 4, -4, -4).toRect(),
                 Icons::pixmap(QStringLiteral("pencil"), 10, Theme::ink(), devicePixelRatioF()));
    p.setFont(Theme::font(11));
    p.setPen(Theme::text2());
    p.drawText(QRectF(0, 70, width(), 16), Qt::AlignLeft | Qt::AlignVCenter, Backdrop::kindName(m_backdrop.kind));
}

void paintVariantSwatch(QPainter &p, const QRectF &rect, LogoVariant variant, quint32 primary, quint32 secondary) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath circle;
    circle.addEllipse(rect);
    const QColor nearBlack(17, 17, 17);
    switch (variant) {
    case LogoVariant::original: {
        QConicalGradient conic(rect.center(), 0);
        conic.setColorAt(0, Theme::rgb(primary));
        conic.setColorAt(0.5, Theme::rgb(secondary));
        conic.setColorAt(1, Theme::rgb(primary));
        p.fillPath(circle, conic);
        break;
    }
    case LogoVariant::auto_:
        p.setClipPath(circle);
        p.fillRect(QRectF(rect.left(), rect.top(), rect.width() / 2, rect.height()), Qt::white);
        p.fillRect(QRectF(rect.center().x(), rect.top(), rect.width() / 2, rect.height()), nearBlack);
        p.setClipping(false);
        break;
    case LogoVariant::white: p.fillPath(circle, Qt::white); break;
    case LogoVariant::gray: p.fillPath(circle, QColor(138, 138, 138)); break;
    case LogoVariant::black: p.fillPath(circle, nearBlack); break;
    }
    p.setPen(QPen(QColor(255, 255, 255, 64), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(rect);
    p.restore();
}

ShadowHost::ShadowHost(QColor color, qreal radius, QPointF offset, qreal cornerRadius, QWidget *parent)
    : QWidget(parent), m_color(color), m_radius(radius), m_offset(offset), m_cornerRadius(cornerRadius) {}

void ShadowHost::setTarget(QWidget *target) {
    m_target = target;
    target->installEventFilter(this);
}

void ShadowHost::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    update();
}

bool ShadowHost::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == m_target &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show || type == QEvent::Hide))
        update();
    return QWidget::eventFilter(watched, event);
}

void ShadowHost::paintEvent(QPaintEvent *) {
    if (!m_target || !m_target->isVisible()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    SoftShadow::paint(p, Theme::continuousRoundedRect(QRectF(m_target->geometry()), m_cornerRadius), m_color, m_radius,
                      m_offset);
}
