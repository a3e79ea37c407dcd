#include "tutorial_window/TutorialHUDView.h"

#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "tutorial_window/TutorialTexts.h"
#include "tutorials/TutorialStore.h"
#include "widgets/CardShape.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWindow>

namespace {

constexpr int kDotSide = 10;
constexpr int kPulseMs = 900;
constexpr qreal kDimmed = 0.35;

// An ease-in-out that starts and ends gently, as a cubic Bézier (0.42, 0) (0.58, 1).
QEasingCurve easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

QPainterPath capsule(const QRectF &r) {
    QPainterPath path;
    path.addRoundedRect(r, r.height() / 2, r.height() / 2);
    return path;
}

class RecordingDot final : public QWidget {
public:
    RecordingDot(const qreal &opacity, QWidget *parent) : QWidget(parent), m_opacity(opacity) {
        setFixedSize(kDotSide, kDotSide);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setOpacity(m_opacity);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::recordingRed());
        p.drawEllipse(QRectF(rect()));
    }

private:
    const qreal &m_opacity;
};

} // namespace

TutorialHUDView::TutorialHUDView(TutorialStore &store, ShortcutStore &shortcuts, QWidget *parent)
    : QWidget(parent), m_store(store), m_shortcuts(shortcuts), m_pulse(new QSequentialAnimationGroup(this)) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(L("Gravando tutorial"));
    setFixedSize(kWidth, kHeight);
    m_shape = new CardShape(this, [this] { return capsule(QRectF(rect())); });

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->setSpacing(12);
    m_dot = new RecordingDot(m_dotOpacity, this);
    m_dot->setObjectName(QStringLiteral("recordingDot"));
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addStretch(1);
    texts->addWidget(themedLabel(L("Gravando tutorial"), Theme::font(12, QFont::DemiBold), Theme::text(), this));
    m_count = themedLabel(QString(), Theme::font(11), Theme::text3(), this);
    m_count->setObjectName(QStringLiteral("stepCount"));
    texts->addWidget(m_count);
    texts->addStretch(1);
    row->addLayout(texts);
    row->addStretch(1);
    m_step = new ToolbarButton(L("Capturar passo"), false, this);
    m_step->setObjectName(QStringLiteral("stepButton"));
    m_step->setSymbol(QStringLiteral("viewfinder"));
    row->addWidget(m_step, 0, Qt::AlignVCenter);
    m_finish = new ToolbarButton(L("Concluir"), true, this);
    m_finish->setObjectName(QStringLiteral("finishButton"));
    row->addWidget(m_finish, 0, Qt::AlignVCenter);

    for (const auto &[from, to] : {std::pair{1.0, kDimmed}, std::pair{kDimmed, 1.0}}) {
        auto *half = new QVariantAnimation(m_pulse);
        half->setStartValue(from);
        half->setEndValue(to);
        half->setDuration(kPulseMs);
        half->setEasingCurve(easeInOut());
        connect(half, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
            m_dotOpacity = value.toReal();
            m_dot->update();
        });
        m_pulse->addAnimation(half);
    }
    m_pulse->setLoopCount(-1);

    connect(m_step, &QPushButton::clicked, this, &TutorialHUDView::stepRequested);
    connect(m_finish, &QPushButton::clicked, this, &TutorialHUDView::finish);
    connect(&store, &TutorialStore::libraryChanged, this, &TutorialHUDView::refreshCount);
    connect(&store, &TutorialStore::currentIDChanged, this, &TutorialHUDView::refreshCount);
    connect(&shortcuts, &ShortcutStore::shortcutsChanged, this, &TutorialHUDView::refreshShortcuts);
    refreshCount();
    refreshShortcuts();
}

void TutorialHUDView::refreshCount() { m_count->setText(TutorialTexts::stepCount(m_store.tutorial().steps.size())); }

void TutorialHUDView::refreshShortcuts() {
    m_step->setShortcutText(TutorialTexts::captureAreaKeys(m_shortcuts));
    m_finish->setToolTip(
        L(LKey(QStringLiteral("Para de gravar e abre o tutorial · %@"), {TutorialTexts::toggleKeys(m_shortcuts)})));
}

void TutorialHUDView::finish() {
    // Stopping is what closes the pill and opens the tutorial page; when recording already ended
    // elsewhere there is nothing left to finish.
    if (m_store.isRecording()) m_store.toggleRecording();
}

void TutorialHUDView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = capsule(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    QColor fill = Theme::panel();
    fill.setAlphaF(0.97f);
    if (m_shape->cut()) p.fillRect(rect(), fill); // nothing see-through at the edge of the cut
    p.fillPath(shape, fill);
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
}

void TutorialHUDView::mousePressEvent(QMouseEvent *event) {
    m_dragOffset.reset();
    if (event->button() != Qt::LeftButton) return;
    // The window manager moves the pill when it can; otherwise it follows the pointer by hand.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void TutorialHUDView::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragOffset && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - *m_dragOffset);
}

void TutorialHUDView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_pulse->start();
}

void TutorialHUDView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_pulse->stop();
    m_dotOpacity = 1.0;
}
