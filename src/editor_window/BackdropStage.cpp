#include "editor_window/BackdropStage.h"

#include "core/Localization.h"
#include "editor/BackdropEditorState.h"
#include "widgets/BackdropSwatch.h"
#include "widgets/Icons.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QHash>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVariantAnimation>

#include <cmath>
#include <utility>

namespace {

constexpr qreal kStageRadius = 14;
constexpr qreal kSampleBox = 0.68;
constexpr qreal kHandleReach = 8; // the hit area around a handle's circle

qreal handleDiameter(bool selected) { return selected ? 26 : 22; }

QString pointName(int index) { return L(LKey(QStringLiteral("Ponto da cor %@"), {QString::number(index + 1)})); }

// One handle of the mesh: named after its colour, where it is drawn, selected with its colour.
class HandleAccessible final : public QAccessibleInterface {
public:
    HandleAccessible(BackdropStage *stage, int index) : m_stage(stage), m_index(index) {}

    bool isValid() const override { return m_stage && m_index < m_stage->handleCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_stage ? m_stage->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override {
        return m_stage ? QAccessible::queryAccessibleInterface(m_stage.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name && isValid() ? pointName(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local = m_stage->handleRect(m_index).toAlignedRect();
        return QRect(m_stage->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::Graphic; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invisible = true;
            return s;
        }
        s.selectable = true;
        s.selected = m_stage->isHandleSelected(m_index);
        s.movable = true;
        return s;
    }

private:
    QPointer<BackdropStage> m_stage;
    int m_index;
};

// The stage with its handles as children, made when first asked for and kept while the stage lives.
class StageAccessible final : public QAccessibleWidget {
public:
    explicit StageAccessible(BackdropStage *stage) : QAccessibleWidget(stage, QAccessible::Canvas) {}
    ~StageAccessible() override {
        for (const QAccessible::Id id : std::as_const(m_handles)) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return stage()->handleCount(); }
    QAccessibleInterface *child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        if (const auto found = m_handles.constFind(index); found != m_handles.cend())
            return QAccessible::accessibleInterface(*found);
        auto *handle = new HandleAccessible(stage(), index);
        m_handles.insert(index, QAccessible::registerAccessibleInterface(handle));
        return handle;
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        for (auto it = m_handles.cbegin(); it != m_handles.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child) return it.key() < childCount() ? it.key() : -1;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override {
        return child(stage()->handleAt(stage()->mapFromGlobal(QPoint(x, y))));
    }

private:
    BackdropStage *stage() const { return static_cast<BackdropStage *>(widget()); }
    mutable QHash<int, QAccessible::Id> m_handles;
};

QAccessibleInterface *stageAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("BackdropStage") && object && object->isWidgetType())
        return new StageAccessible(static_cast<BackdropStage *>(object));
    return nullptr;
}

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
    static const bool accessible = (QAccessible::installFactory(&stageAccessible), true);
    Q_UNUSED(accessible);
    setAccessibleName(L("Prévia do fundo"));
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

int BackdropStage::handleCount() const {
    return m_state.backdrop().kind == Backdrop::Kind::mesh ? int(m_state.backdrop().points.size()) : 0;
}

QPointF BackdropStage::handleCentre(int index) const {
    const MeshPoint p = m_state.backdrop().points.value(index);
    return {p.x * width(), p.y * height()};
}

QRectF BackdropStage::handleRect(int index) const {
    const qreal d = handleDiameter(isHandleSelected(index));
    return {handleCentre(index) - QPointF(d / 2, d / 2), QSizeF(d, d)};
}

bool BackdropStage::isHandleSelected(int index) const { return index == m_state.selectedColor(); }

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
        if (hit >= 0) QToolTip::showText(help->globalPos(), pointName(hit), this);
        else QToolTip::hideText();
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
