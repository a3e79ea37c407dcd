#include "editor_window/EditorOverlay.h"

#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QGraphicsEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

// The overlay drawn at an opacity and a scale about its centre; at rest (opaque, full size) it is drawn
// as it is, at no cost.
class FadeEffect final : public QGraphicsEffect {
public:
    using QGraphicsEffect::QGraphicsEffect;
    void set(qreal opacity, qreal scale) {
        m_opacity = opacity;
        m_scale = scale;
        update();
    }

protected:
    void draw(QPainter *painter) override {
        if (m_opacity >= 1 && m_scale == 1) {
            drawSource(painter);
            return;
        }
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset);
        const QRectF area(offset, QSizeF(pixmap.size()) / pixmap.devicePixelRatio());
        painter->save();
        painter->setOpacity(m_opacity);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->translate(area.center());
        painter->scale(m_scale, m_scale);
        painter->translate(-area.center());
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }

private:
    qreal m_opacity = 0;
    qreal m_scale = 1;
};

EditorOverlay::EditorOverlay(std::function<void()> dismiss, QWidget *parent, qreal startScale)
    : QWidget(parent), m_dismiss(std::move(dismiss)), m_effect(new FadeEffect(this)),
      m_fade(new QVariantAnimation(this)), m_startScale(startScale) {
    setGraphicsEffect(m_effect);
    setProgress(0);
    m_fade->setDuration(fadeMs);
    m_fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) { setProgress(v.toReal()); });
    connect(m_fade, &QVariantAnimation::finished, this, [this] {
        if (!m_shown) hide();
    });
    if (parent) parent->installEventFilter(this);
    hide();
}

void EditorOverlay::setShown(bool shown) {
    if (shown == m_shown) return;
    m_shown = shown;
    setAttribute(Qt::WA_TransparentForMouseEvents, !shown);
    m_fade->stop();
    m_fade->setStartValue(m_progress);
    m_fade->setEndValue(shown ? 1.0 : 0.0);
    if (shown) {
        if (parentWidget()) setGeometry(parentWidget()->rect());
        raise();
        show();
        appeared();
    }
    m_fade->start();
}

void EditorOverlay::setProgress(qreal progress) {
    m_progress = progress;
    m_effect->set(progress, m_startScale + (1 - m_startScale) * progress);
}

bool EditorOverlay::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void EditorOverlay::paintCard(QPainter &p, const QRectF &card, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), radius);
    SoftShadow::paint(p, shape, QColor(0, 0, 0, 153), 40, {0, 20});
    p.fillPath(shape, QColor(22, 22, 28));
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
    p.restore();
}

void EditorOverlay::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 140)); // black at 0.55
    paintCard(p, cardRect(), cardRadius());
}

void EditorOverlay::mousePressEvent(QMouseEvent *event) {
    // Only the dimmed layer closes; the card keeps its clicks.
    if (event->button() == Qt::LeftButton && !cardRect().contains(event->position().toPoint()) && m_dismiss)
        m_dismiss();
}
