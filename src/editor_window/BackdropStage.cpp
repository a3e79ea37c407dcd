#include "editor_window/BackdropStage.h"

#include "core/Localization.h"
#include "editor/BackdropEditorState.h"
#include "widgets/BackdropSwatch.h"
#include "widgets/Icons.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVariantAnimation>

#include <cmath>

namespace {

constexpr qreal kStageRadius = 14;
constexpr qreal kSampleBox = 0.68;
constexpr qreal kHandleReach = 8; // the hit area around a handle's circle

qreal handleDiameter(bool selected) { return selected ? 26 : 22; }

QString symbolOf(Backdrop::Kind kind) {
    switch (kind) {
    case Backdrop::Kind::solid: return QStringLiteral("square.fill");
    case Backdrop::Kind::linear: return QStringLiteral("line.diagonal");
    case Backdrop::Kind::mesh: return QStringLiteral("circle.hexagongrid");
    case Backdrop::Kind::transparent: break;
    }
    return {};
}

} // namespace

BackdropStage::BackdropStage(BackdropEditorState &state, const QImage &sample, QWidget *parent)
    : QWidget(parent), m_state(state), m_sample(sample), m_fade(new QVariantAnimation(this)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus); // pressing a handle settles a colour half typed in the hex field
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    m_fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_fade, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_fade, &QVariantAnimation::finished, this, [this] {
        m_fadingFrom = {};
        update();
    });
    connect(&state, &BackdropEditorState::aboutToAnimate, this, &BackdropStage::fadeFromCurrent);
    connect(&state, &BackdropEditorState::backdropChanged, this, qOverload<>(&QWidget::update));
    connect(&state, &BackdropEditorState::selectedColorChanged, this, qOverload<>(&QWidget::update));
}

QPointF BackdropStage::handleCentre(int index) const {
    const MeshPoint p = m_state.backdrop().points.value(index);
    return {p.x * width(), p.y * height()};
}

int BackdropStage::handleAt(QPointF point) const {
    if (m_state.backdrop().kind != Backdrop::Kind::mesh) return -1;
    for (int i = int(m_state.backdrop().points.size()) - 1; i >= 0; --i) {
        const QPointF d = point - handleCentre(i);
        if (std::hypot(d.x(), d.y()) <= handleDiameter(i == m_state.selectedColor()) / 2 + kHandleReach) return i;
    }
    return -1;
}

void BackdropStage::fadeFromCurrent(int milliseconds) {
    if (!isVisible() || width() <= 0 || height() <= 0) return;
    QPixmap before(size() * devicePixelRatioF());
    before.setDevicePixelRatio(devicePixelRatioF());
    before.fill(Qt::transparent);
    QPainter p(&before);
    BackdropSwatch::paint(p, QRectF(rect()), m_state.backdrop(), kStageRadius);
    p.end();
    m_fadingFrom = before;
    m_fade->stop();
    m_fade->setDuration(milliseconds);
    m_fade->start();
}

void BackdropStage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF stage(rect());
    BackdropSwatch::paint(p, stage, m_state.backdrop(), kStageRadius);
    if (!m_fadingFrom.isNull()) {
        p.setOpacity(m_fade->currentValue().toDouble());
        p.drawPixmap(0, 0, m_fadingFrom);
        p.setOpacity(1);
    }
    if (!m_sample.isNull()) paintSample(p);
    if (m_state.backdrop().kind == Backdrop::Kind::mesh) {
        for (int i = 0; i < m_state.backdrop().points.size(); ++i) paintHandle(p, i);
    }
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Theme::continuousRoundedRect(stage.adjusted(0.5, 0.5, -0.5, -0.5), kStageRadius));
}

void BackdropStage::paintSample(QPainter &p) {
    const QSizeF box(kSampleBox * width(), kSampleBox * height());
    const QSizeF fitted = QSizeF(m_sample.size()).scaled(box, Qt::KeepAspectRatio);
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (fitted * dpr).toSize().expandedTo({1, 1});
    // Scaled once per stage size: the stage repaints at every pointer move of a drag.
    if (m_scaledSample.size() != pixels) {
        m_scaledSample = QPixmap::fromImage(m_sample.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaledSample.setDevicePixelRatio(dpr);
    }
    const QRectF target(QPointF(width() / 2.0 - fitted.width() / 2, height() / 2.0 - fitted.height() / 2), fitted);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(QPointF(), fitted), 6);
    p.save();
    p.translate(target.topLeft());
    SoftShadow::paint(p, shape, QColor(0, 0, 0, qRound(255 * 0.35)), 14, {0, 6});
    p.setClipPath(shape);
    p.drawPixmap(QPointF(), m_scaledSample);
    p.restore();
}

void BackdropStage::paintHandle(QPainter &p, int index) {
    const bool selected = index == m_state.selectedColor();
    const qreal d = handleDiameter(selected);
    const QList<quint32> &colors = m_state.backdrop().colors;
    const QColor fill = index < colors.size() ? Theme::rgb(colors[index] & 0xFFFFFF) : QColor(Qt::white);
    QPainterPath circle;
    circle.addEllipse(QRectF(-d / 2, -d / 2, d, d));
    p.save();
    p.translate(handleCentre(index)); // the shadow's cache knows a circle by its shape at the origin
    SoftShadow::paint(p, circle, QColor(0, 0, 0, 128), 6, {0, 2});
    const qreal ring = selected ? 3 : 2;
    p.setPen(QPen(Qt::white, ring));
    p.setBrush(fill);
    p.drawEllipse(QRectF(-d / 2, -d / 2, d, d).adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2));
    p.restore();
}

void BackdropStage::mousePressEvent(QMouseEvent *event) {
    const int hit = event->button() == Qt::LeftButton ? handleAt(event->position()) : -1;
    if (hit < 0) return QWidget::mousePressEvent(event);
    m_dragged = hit;
    setCursor(Qt::ClosedHandCursor);
    m_state.moveMeshPoint(hit, event->position(), size());
}

void BackdropStage::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragged >= 0) {
        m_state.moveMeshPoint(m_dragged, event->position(), size());
        return;
    }
    setCursor(handleAt(event->position()) >= 0 ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void BackdropStage::mouseReleaseEvent(QMouseEvent *event) {
    if (m_dragged < 0 || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    m_dragged = -1;
    setCursor(handleAt(event->position()) >= 0 ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

bool BackdropStage::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int hit = handleAt(help->pos());
        if (hit >= 0)
            QToolTip::showText(help->globalPos(), L(LKey(QStringLiteral("Ponto da cor %@"), {QString::number(hit + 1)})), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

BackdropKindSegment::BackdropKindSegment(const QString &symbol, const QString &text, QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol) {
    setText(text);
    setCheckable(true);
    setAutoExclusive(false);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedHeight(30);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void BackdropKindSegment::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isChecked()) p.fillPath(Theme::continuousRoundedRect(QRectF(rect()), 7), QColor(44, 44, 55));
    const QColor color = isChecked() ? Theme::text() : Theme::text2();
    const QFont font = Theme::font(12);
    const int textWidth = QFontMetrics(font).horizontalAdvance(text());
    const int iconSize = 11;
    const int total = iconSize + 6 + textWidth;
    const int x = (width() - total) / 2;
    p.drawPixmap(x, (height() - iconSize) / 2, Icons::pixmap(m_symbol, iconSize, color, devicePixelRatioF()));
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRect(x + iconSize + 6, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

BackdropKindPicker::BackdropKindPicker(BackdropEditorState &state, QWidget *parent) : QWidget(parent), m_state(state) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(4);
    for (const Backdrop::Kind kind : BackdropEditorState::editableKinds()) {
        auto *segment = new BackdropKindSegment(symbolOf(kind), Backdrop::kindName(kind), this);
        connect(segment, &QAbstractButton::clicked, this, [this, kind] {
            m_state.setKind(kind);
            sync(); // a click on the current kind must not leave it unchecked
        });
        row->addWidget(segment);
        m_segments.append(segment);
    }
    connect(&state, &BackdropEditorState::backdropChanged, this, &BackdropKindPicker::sync);
    sync();
}

void BackdropKindPicker::sync() {
    for (qsizetype i = 0; i < m_segments.size(); ++i)
        m_segments[i]->setChecked(BackdropEditorState::editableKinds()[size_t(i)] == m_state.backdrop().kind);
}

void BackdropKindPicker::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10);
    p.fillPath(shape, Theme::raised());
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(shape);
}
