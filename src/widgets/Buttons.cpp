#include "widgets/Buttons.h"

#include "core/Localization.h"
#include "widgets/ControlState.h"
#include "widgets/Icons.h"
#include "widgets/KeptPicture.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QEasingCurve>
#include <QGraphicsEffect>
#include <QPainter>
#include <QVariantAnimation>
#include <QtMath>

namespace {

constexpr int kHeight = 40;
constexpr qreal kRadius = 10;

// Label plus an optional icon, laid out as one centred row.
QSize labelSize(const QPushButton &button, const QFont &font) {
    const QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(button.text());
    if (!button.icon().isNull()) width += button.iconSize().width() + (button.text().isEmpty() ? 0 : 8);
    return {width, metrics.height()};
}

void paintLabel(QPainter &p, const QPushButton &button, const QRectF &rect, const QFont &font, const QColor &color) {
    const QSize size = labelSize(button, font);
    qreal x = rect.center().x() - size.width() / 2.0;
    if (!button.icon().isNull()) {
        const QSize icon = button.iconSize();
        const QRectF iconRect(x, rect.center().y() - icon.height() / 2.0, icon.width(), icon.height());
        button.icon().paint(&p, iconRect.toRect());
        x += icon.width() + (button.text().isEmpty() ? 0 : 8);
    }
    p.setFont(font);
    p.setPen(color);
    drawLaidOutLine(p, QRectF(x, rect.top(), rect.right() - x, rect.height()), Qt::AlignVCenter | Qt::AlignLeft,
                    button.text());
}

constexpr int kKeyHintGap = 10;

// The key cap of a primary button's key hint: monospaced 11, 6 of padding at each side, 20 high.
QSizeF keyHintSize(const QString &key) {
    return {QFontMetricsF(Theme::monospaceFont(11)).horizontalAdvance(key) + 12, 20};
}

void paintKeyHint(QPainter &p, const QRectF &cap, const QString &key) {
    p.fillPath(Theme::continuousRoundedRect(cap, 5), Theme::rgb(0x15121F, 0.12));
    p.setFont(Theme::monospaceFont(11));
    p.setPen(Theme::ink());
    drawLaidOutLine(p, cap, Qt::AlignCenter, key);
}

// The primary button's accent shadow, drawn by the one shadow painter (a calibrated Gaussian) around
// the button's rounded shape, outside the button itself.
class AccentShadow : public QGraphicsEffect {
public:
    using QGraphicsEffect::QGraphicsEffect;
    static constexpr qreal kRadius = 10, kOffsetY = 4;

    QRectF boundingRectFor(const QRectF &rect) const override {
        const qreal reach = 3 * kRadius;
        return rect.adjusted(-reach, -reach, reach, reach + kOffsetY);
    }

protected:
    void draw(QPainter *painter) override {
        const QRectF r = sourceBoundingRect(Qt::LogicalCoordinates);
        // A disabled button casts no glow: it is not the thing to press.
        if (static_cast<const QWidget *>(parent())->isEnabled())
            SoftShadow::paint(*painter, Theme::continuousRoundedRect(r, kRadius), Theme::rgb(0xC9BEFF, 0.25), kRadius,
                              {0, kOffsetY});
        drawSource(painter);
    }
};

} // namespace

PrimaryButton::PrimaryButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent), m_animation(new QVariantAnimation(this)) {
    ControlState::pointWhileEnabled(this);
    setFont(Theme::font(14, QFont::DemiBold));
    m_animation->setDuration(200);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_press = v.toReal();
        update();
    });
    connect(this, &QPushButton::pressed, this, [this] { animatePress(true); });
    connect(this, &QPushButton::released, this, [this] { animatePress(false); });
    setGraphicsEffect(new AccentShadow(this));
}

QSize PrimaryButton::sizeHint() const {
    const int hint = m_keyHint.isEmpty() ? 0 : kKeyHintGap + qCeil(keyHintSize(m_keyHint).width());
    return {labelSize(*this, font()).width() + hint + 2 * 18, kHeight};
}

void PrimaryButton::setKeyHint(const QString &key) {
    m_keyHint = key;
    updateGeometry();
    update();
}

void PrimaryButton::animatePress(bool down) {
    m_animation->stop();
    m_animation->setStartValue(m_press);
    m_animation->setEndValue(down ? 1.0 : 0.0);
    m_animation->start();
}

void PrimaryButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    const qreal scale = 1.0 - 0.02 * m_press;
    p.translate(r.center());
    p.scale(scale, scale);
    p.translate(-r.center());
    p.setOpacity(1.0 - 0.15 * m_press);
    ControlState::dimWhileDisabled(p, *this);
    const auto fill = [&r](QPainter &painter) {
        painter.fillPath(Theme::continuousRoundedRect(r, kRadius), Theme::accentGradient(r));
    };
    // At rest the gradient comes from a kept picture; pressed, it is scaled and drawn as it goes.
    if (m_press == 0)
        p.drawImage(QPointF(), keptPicture(QStringLiteral("primary-button"), size(), devicePixelRatioF(), fill));
    else fill(p);
    if (m_keyHint.isEmpty()) {
        paintLabel(p, *this, r, font(), Theme::ink());
        return;
    }
    // The label and the key cap, centred together.
    const QSizeF cap = keyHintSize(m_keyHint);
    const qreal label = QFontMetricsF(font()).horizontalAdvance(text());
    const qreal left = r.center().x() - (label + kKeyHintGap + cap.width()) / 2;
    p.setFont(font());
    p.setPen(Theme::ink());
    drawLaidOutLine(p, QRectF(left, r.top(), label + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    paintKeyHint(p, QRectF(QPointF(left + label + kKeyHintGap, r.center().y() - cap.height() / 2), cap), m_keyHint);
}

SecondaryButton::SecondaryButton(const QString &text, QWidget *parent) : QPushButton(text, parent) {
    ControlState::pointWhileEnabled(this);
    setFont(Theme::font(14));
}

QSize SecondaryButton::sizeHint() const { return {labelSize(*this, font()).width() + 2 * 16, kHeight}; }

void SecondaryButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isDown() ? 0.8 : 1.0);
    ControlState::dimWhileDisabled(p, *this);
    drawPlate(p, rect(), kRadius, Theme::raised(), Theme::lineStrong());
    paintLabel(p, *this, QRectF(rect()), font(), Theme::text());
}

LinkButton::LinkButton(const QString &text, qreal pixelSize, QWidget *parent) : QPushButton(text, parent) {
    setFlat(true);
    ControlState::pointWhileEnabled(this);
    setFont(Theme::font(pixelSize));
    setColor(Theme::accent());
}

void LinkButton::setColor(const QColor &color) {
    QColor dimmed = color;
    dimmed.setAlphaF(float(color.alphaF() * ControlState::disabledOpacity));
    setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; background: transparent; padding: 0; "
                                 "text-align: left; } QPushButton:hover:enabled { text-decoration: underline; } "
                                 "QPushButton:disabled { color: %2; }")
                      .arg(color.name(), dimmed.name(QColor::HexArgb)));
}

CloseNoticeButton::CloseNoticeButton(QWidget *parent)
    : QPushButton(Icons::icon(QStringLiteral("xmark"), Theme::text3()), {}, parent) {
    setFlat(true);
    setFixedSize(18, 18);
    setIconSize(QSize(9, 9));
    setToolTip(L("Fechar aviso"));
    setAccessibleName(L("Fechar aviso"));
    setStyleSheet(QStringLiteral("QPushButton { border: none; }"));
}
