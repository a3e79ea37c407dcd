#include "app/OnboardingView.h"

#include "app/Greeting.h"
#include "capture/HotkeyManager.h"
#include "capture/ScreenAccess.h"
#include "capture/ShortcutRecorder.h"
#include "capture/SystemShortcutsGuide.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "widgets/ControlState.h"
#include "widgets/BrandMark.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <functional>

namespace {

constexpr QSize kCardSize(720, 560);
constexpr int kOnboardingFooterHeight = 72;
constexpr int kSlotWidth = 180;

// A borderless text button: its colour, and another while disabled (transparent: not drawn at all).
class TextButton final : public QAbstractButton {
public:
    TextButton(const QString &text, qreal pixelSize, QWidget *parent) : QAbstractButton(parent) {
        setText(text);
        setFont(Theme::font(pixelSize));
        ControlState::pointWhileEnabled(this);
        setAttribute(Qt::WA_Hover); // repainted as the pointer comes and goes
    }
    void setColors(const QColor &enabled, const QColor &disabled) {
        m_enabled = enabled;
        m_disabled = disabled;
        update();
    }
    void setTextAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 2, metrics.height() + 6};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        const QColor color = isEnabled() ? m_enabled : m_disabled;
        if (color.alpha() == 0) return;
        QPainter p(this);
        p.setFont(font());
        p.setPen(ControlState::isHovered(*this) ? Theme::text() : color);
        p.drawText(rect(), int(m_alignment | Qt::AlignVCenter), text());
    }

private:
    QColor m_enabled = Theme::text2();
    QColor m_disabled = Theme::rgb(0x8A8A98, 0.5);
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};

// The area the steps slide through: the owner places them whenever it changes size.
class StepArea final : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> resized;

protected:
    void resizeEvent(QResizeEvent *) override {
        if (resized) resized();
    }
};

QLabel *wrappedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    QLabel *label = wrappingLabel(text, font, color, parent);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

// The title and the subtitle of a step.
QWidget *stepHeading(const QString &title, const QString &subtitle, QWidget *parent) {
    auto *heading = new QWidget(parent);
    auto *column = new QVBoxLayout(heading);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    QFont titleFont = Theme::font(28, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.6);
    QLabel *titleLabel = wrappedLabel(title, titleFont, Theme::text(), heading);
    titleLabel->setObjectName(QStringLiteral("stepTitle"));
    column->addWidget(titleLabel);
    QLabel *subtitleLabel = wrappedLabel(subtitle, Theme::font(15), Theme::text2(), heading);
    column->addWidget(subtitleLabel);
    return heading;
}

// A step's column: its parts centred, 28 apart, in the middle of the step's height.
QVBoxLayout *stepColumn(QWidget *step) {
    auto *column = new QVBoxLayout(step);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(28);
    column->addStretch(1);
    return column;
}

// The greeting: the mark over a soft accent glow, and the title. The step paints the glow itself, under
// the mark: a graphics effect on the mark would sit inside the step's own fade, and Qt cannot draw an
// effect within an effect (it paints into a picture that is being painted).
class WelcomeStep final : public QWidget {
public:
    WelcomeStep(const QString &firstName, QWidget *parent) : QWidget(parent) {
        QVBoxLayout *column = stepColumn(this);
        m_mark = new BrandMark(88, this);
        column->addWidget(m_mark, 0, Qt::AlignHCenter);
        const QString title = firstName.isEmpty() ? L("Olá!") : L(LKey("Olá, %@.", {firstName}));
        column->addWidget(stepHeading(title, L("Prints bonitos em 2 segundos. Vamos preparar tudo."), this));
        column->addStretch(1);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        SoftShadow::paint(p, m_mark->silhouette().translated(m_mark->pos()), Theme::rgb(0xC9BEFF, 0.35), 28, {0, 12});
    }

private:
    BrandMark *m_mark = nullptr;
};

// Where a popover of `wanted` size goes beside `link` (global), `gap` away from it and inside `free`:
// below the link where it fits, above it where it fits there, else on the roomier side, as tall as the
// room there is. Centred on the link, moved in from the sides of `free`.
QRect popoverPlace(QSize wanted, const QRect &link, const QRect &free, int gap) {
    const int below = free.bottom() + 1 - (link.bottom() + 1 + gap);
    const int above = link.top() - gap - free.top();
    const bool under = below >= wanted.height() || (above < wanted.height() && below >= above);
    const int height = std::max(0, std::min(wanted.height(), under ? below : above));
    const int top = under ? link.bottom() + 1 + gap : link.top() - gap - height;
    const int width = std::min(wanted.width(), free.width());
    const int left = std::clamp(link.center().x() - width / 2, free.left(), free.right() + 1 - width);
    return QRect(left, top, width, height);
}

// The list's scroll bar in the panel's own dark colours: a thin rounded thumb on no track, no arrows.
const QString kPopoverScrollBar = QStringLiteral(
    "QScrollBar:vertical { background: transparent; width: 12px; margin: 6px 3px 6px 1px; }"
    "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 0.20); border-radius: 4px; min-height: 36px; }"
    "QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed {"
    " background: rgba(255, 255, 255, 0.34); }"
    "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; background: none; }"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }");

// The list of reserved combinations, in a small panel beside the button that opened it, kept inside
// the screen's free area: a shorter panel scrolls its list.
class ReservedPopover final : public QFrame {
public:
    explicit ReservedPopover(QWidget *parent) : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint) {
        setObjectName(QStringLiteral("reservedPopover"));
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Theme::panel());
        setPalette(palette);
        setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *scroll = new QScrollArea(this);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->verticalScrollBar()->setStyleSheet(kPopoverScrollBar);
        auto *content = new QWidget(scroll);
        auto *inset = new QVBoxLayout(content);
        inset->setContentsMargins(16, 16, 16, 16);
        inset->addWidget(new SystemShortcutsList(content));
        inset->addStretch(1);
        scroll->setWidget(content);
        layout->addWidget(scroll);
        // As wide as the longest row with its key caps: the list reads down, never sideways.
        const int listWidth = content->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width();
        m_wanted = QSize(std::max(340, listWidth), 380);
    }
    void showBeside(QWidget *anchor) {
        const QRect link(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        setGeometry(popoverPlace(m_wanted, link, anchor->screen()->availableGeometry(), 6));
        show();
    }

protected:
    void paintEvent(QPaintEvent *event) override {
        QFrame::paintEvent(event);
        QPainter p(this);
        p.setPen(QPen(Theme::lineStrong(), 1));
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QSize m_wanted;
};

} // namespace

// The dots of the footer: one capsule per step, the current one long and light.
class OnboardingView::Dots final : public QWidget {
public:
    Dots(int count, QWidget *parent) : QWidget(parent), m_count(count) { setFixedSize(18 + (count - 1) * (6 + 8), 6); }
    void setStep(int step) {
        m_step = step;
        setAccessibleName(L(LKey("Passo %@ de %@", {QString::number(step + 1), QString::number(m_count)})));
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        qreal x = 0;
        for (int i = 0; i < m_count; ++i) {
            const qreal width = i == m_step ? 18 : 6;
            p.setBrush(i == m_step ? QColor(216, 206, 255) : QColor(74, 74, 86));
            p.drawRoundedRect(QRectF(x, 0, width, 6), 3, 3);
            x += width + 8;
        }
    }

private:
    int m_count = 0;
    int m_step = 0;
};

// The screen permission, read again every second while the step is on screen.
class OnboardingView::PermissionStep final : public QWidget {
public:
    explicit PermissionStep(QWidget *parent) : QWidget(parent) {
        QVBoxLayout *column = stepColumn(this);
        column->addWidget(stepHeading(L("Permita a Gravação de Tela"),
                                      L("O Pelicarta só olha a tela quando você captura.\nNada sai do seu Mac."),
                                      this));
        m_granted = new QWidget(this);
        m_granted->setObjectName(QStringLiteral("permissionGranted"));
        m_granted->setFixedHeight(40);
        auto *grantedRow = new QHBoxLayout(m_granted);
        grantedRow->setContentsMargins(0, 0, 0, 0);
        grantedRow->setSpacing(6);
        auto *check = new QLabel(m_granted);
        check->setPixmap(Icons::pixmap(QStringLiteral("checkmark"), 14, Theme::success(), devicePixelRatioF()));
        grantedRow->addWidget(check);
        grantedRow->addWidget(
            themedLabel(L("Permissão concedida"), Theme::font(14, QFont::Medium), Theme::success(), m_granted));
        column->addWidget(m_granted, 0, Qt::AlignHCenter);

        m_asking = new QWidget(this);
        auto *asking = new QVBoxLayout(m_asking);
        asking->setContentsMargins(0, 0, 0, 0);
        asking->setSpacing(12);
        m_button = new SecondaryButton(L("Permitir Gravação de Tela"), m_asking);
        m_button->setObjectName(QStringLiteral("permissionButton"));
        connect(m_button, &QAbstractButton::clicked, this, &PermissionStep::ask);
        asking->addWidget(m_button, 0, Qt::AlignHCenter);
        // A single space until the first click, so the line keeps its height.
        m_hint = themedLabel(QStringLiteral(" "), Theme::font(12), Theme::text3(), m_asking);
        m_hint->setObjectName(QStringLiteral("permissionHint"));
        m_hint->setAlignment(Qt::AlignHCenter);
        asking->addWidget(m_hint);
        column->addWidget(m_asking, 0, Qt::AlignHCenter);
        column->addStretch(1);

        connect(&m_timer, &QTimer::timeout, this, &PermissionStep::poll);
        m_timer.start(1000);
        poll();
    }

private:
    void poll() {
        const bool granted = ScreenAccess::shared().isGranted();
        m_granted->setVisible(granted);
        m_asking->setVisible(!granted);
    }
    void ask() {
        m_hint->setText(L("Depois de ligar, o macOS pode pedir para reabrir o app."));
        if (!ScreenAccess::shared().request()) ScreenAccess::shared().openSettings();
    }

    QWidget *m_granted = nullptr;
    QWidget *m_asking = nullptr;
    QAbstractButton *m_button = nullptr;
    QLabel *m_hint = nullptr;
    QTimer m_timer;
};

// The area-capture shortcut, its reset and the list of combinations to avoid.
class OnboardingView::ShortcutStep final : public QWidget {
public:
    ShortcutStep(ShortcutStore &store, HotkeyManager &hotkeys, QWidget *parent) : QWidget(parent), m_store(store) {
        QVBoxLayout *column = stepColumn(this);
        column->addWidget(
            stepHeading(L("Seu atalho de captura"), L("Clique no campo e pressione a combinação que quiser."), this));
        column->addWidget(new ShortcutRecorder(store, hotkeys, ShortcutAction::captureArea, Keycap::Size::large, this),
                          0, Qt::AlignHCenter);

        auto *links = new QHBoxLayout;
        links->setSpacing(18);
        links->addStretch(1);
        m_reset = new TextButton(L("Voltar ao padrão"), 13, this);
        m_reset->setObjectName(QStringLiteral("shortcutResetButton"));
        m_reset->setColors(Theme::text2(), Theme::rgb(0x8A8A98, 0.5));
        connect(m_reset, &QAbstractButton::clicked, this, &ShortcutStep::reset);
        links->addWidget(m_reset);
        auto *dot = new QWidget(this);
        dot->setFixedSize(3, 3);
        dot->setStyleSheet(QStringLiteral("background: rgb(74, 74, 86); border-radius: 1px;"));
        links->addWidget(dot, 0, Qt::AlignVCenter);
        auto *reserved = new TextButton(L("Quais atalhos evitar?"), 13, this);
        connect(reserved, &QAbstractButton::clicked, this, [this, reserved] {
            auto *popover = new ReservedPopover(this);
            popover->setAttribute(Qt::WA_DeleteOnClose);
            popover->showBeside(reserved);
        });
        links->addWidget(reserved);
        links->addStretch(1);
        column->addLayout(links);
        m_refusal = wrappedLabel(QString(), Theme::font(13), Theme::warning(), this);
        m_refusal->setObjectName(QStringLiteral("shortcutRefusal"));
        m_refusal->hide();
        column->addWidget(m_refusal);
        column->addStretch(1);

        connect(&m_store, &ShortcutStore::shortcutsChanged, this, [this] {
            m_refusal->hide();
            refresh();
        });
        refresh();
    }

private:
    void refresh() { m_reset->setEnabled(!m_store.isDefault(ShortcutAction::captureArea)); }
    void reset() {
        // Refused while another action holds ⌥⇧A: the combination stays, and the step says why.
        const std::optional<ShortcutProblem> problem = m_store.reset(ShortcutAction::captureArea);
        if (!problem || problem->isWarning()) return;
        m_refusal->setText(problem->message());
        m_refusal->show();
    }

    ShortcutStore &m_store;
    TextButton *m_reset = nullptr;
    QLabel *m_refusal = nullptr;
};

// The 720 × 560 card: the panel colour under a soft accent glow.
class OnboardingView::Card final : public QWidget {
public:
    explicit Card(QWidget *parent) : QWidget(parent) { setFixedSize(kCardSize); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 18);
        p.fillPath(shape, Theme::panel());
        QRadialGradient glow(QPointF(width() * 0.5, height() * 0.35), 380);
        glow.setColorAt(0, Theme::rgb(0xC9BEFF, 0.1));
        glow.setColorAt(1, Qt::transparent);
        p.fillPath(shape, glow);
        p.strokePath(shape, QPen(Theme::line(), 1));
    }
};

OnboardingView::OnboardingView(ShortcutStore &store, HotkeyManager &hotkeys, platform::UserDefaults &defaults,
                               QWidget *parent)
    : QWidget(parent), m_store(store), m_hotkeys(hotkeys), m_defaults(defaults),
      m_transition(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("onboarding"));
    // X11 asks nothing before a program reads the screen: no step for a permission nobody grants.
    m_pages << Page::welcome;
    if (ScreenAccess::shared().isNeeded()) m_pages << Page::permission;
    m_pages << Page::shortcut;
    setFocusPolicy(Qt::StrongFocus);
    auto *centre = new QVBoxLayout(this);
    centre->setContentsMargins(0, 0, 0, 0);
    auto *card = new Card(this);
    centre->addWidget(card, 0, Qt::AlignCenter);

    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addSpacing(48);
    auto *area = new StepArea(card);
    area->resized = [this] { layOutSteps(); };
    m_stepArea = area;
    column->addWidget(m_stepArea, 1);
    column->addWidget(makeFooter(card));

    m_transition->setDuration(220);
    m_transition->setEasingCurve(QEasingCurve::OutCubic);
    m_transition->setStartValue(0.0);
    m_transition->setEndValue(1.0);
    connect(m_transition, &QVariantAnimation::valueChanged, this, [this] { layOutSteps(); });
    connect(m_transition, &QVariantAnimation::finished, this, [this] {
        if (m_leaving) m_leaving->deleteLater();
        if (m_current) m_current->setGraphicsEffect(nullptr);
    });
    showStep(0);
}

QWidget *OnboardingView::makeFooter(QWidget *card) {
    class Footer final : public QWidget {
    public:
        using QWidget::QWidget;

    protected:
        void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(QRect(0, 0, width(), 1), Theme::line()); }
    };
    auto *footer = new Footer(card);
    footer->setFixedHeight(kOnboardingFooterHeight);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(24, 0, 24, 0);
    row->setSpacing(0);
    auto *back = new TextButton(L("← Voltar"), 14, footer);
    back->setObjectName(QStringLiteral("backButton"));
    back->setColors(Theme::text2(), Qt::transparent); // gone on the first step, keeping its width
    back->setTextAlignment(Qt::AlignLeft);
    back->setFixedWidth(kSlotWidth);
    connect(back, &QAbstractButton::clicked, this, &OnboardingView::goBack);
    m_back = back;
    row->addWidget(m_back);
    row->addStretch(1);
    m_dots = new Dots(stepCount(), footer);
    m_dots->setObjectName(QStringLiteral("dots"));
    row->addWidget(m_dots, 0, Qt::AlignVCenter);
    row->addStretch(1);
    auto *slot = new QWidget(footer);
    slot->setFixedWidth(kSlotWidth);
    auto *slotRow = new QHBoxLayout(slot);
    slotRow->setContentsMargins(0, 0, 0, 0);
    slotRow->addStretch(1);
    m_primary = new PrimaryButton(QString(), slot);
    m_primary->setObjectName(QStringLiteral("primaryButton"));
    m_primary->setKeyHint(QStringLiteral("↵"));
    connect(m_primary, &QAbstractButton::clicked, this, &OnboardingView::advance);
    slotRow->addWidget(m_primary);
    row->addWidget(slot);
    return footer;
}

QWidget *OnboardingView::makeStep(int step) {
    switch (m_pages.at(step)) {
    case Page::welcome: return new WelcomeStep(Greeting::firstName(m_defaults), m_stepArea);
    case Page::permission: return new PermissionStep(m_stepArea);
    case Page::shortcut: break;
    }
    return new ShortcutStep(m_store, m_hotkeys, m_stepArea);
}

void OnboardingView::showStep(int step) {
    m_transition->stop();
    if (m_leaving) delete m_leaving.data();
    m_leaving = m_current;
    if (m_leaving) {
        m_leaving->setObjectName(QStringLiteral("leavingStep"));
        // A recorder of the step going away stops listening now, not when its fade ends.
        for (ShortcutRecorder *recorder : m_leaving->findChildren<ShortcutRecorder *>()) recorder->stopRecording();
        m_leaving->setEnabled(false);
        m_leaving->setGraphicsEffect(new QGraphicsOpacityEffect(m_leaving));
    }
    m_step = step;
    // The step on screen (it slides in under a graphics effect of its own).
    m_current = makeStep(step);
    m_current->setObjectName(QStringLiteral("step"));
    m_current->setGraphicsEffect(new QGraphicsOpacityEffect(m_current));
    m_current->show();

    m_back->setEnabled(step > 0);
    m_dots->setStep(step);
    m_primary->setText(step == 0 ? L("Começar") : step == stepCount() - 1 ? L("Começar a usar") : L("Continuar"));
    m_primary->updateGeometry();
    m_transition->start();
    layOutSteps();
}

void OnboardingView::layOutSteps() {
    // The step in, moved in from 16 to the right and fading in; the step out, fading out in place.
    const QRect box = m_stepArea->rect().adjusted(64, 0, -64, -24);
    const qreal progress =
        m_transition->state() == QAbstractAnimation::Running ? m_transition->currentValue().toReal() : 1.0;
    if (m_current) {
        m_current->setGeometry(box.translated(qRound(16 * (1 - progress)), 0));
        if (auto *fade = qobject_cast<QGraphicsOpacityEffect *>(m_current->graphicsEffect()))
            fade->setOpacity(progress);
    }
    if (m_leaving) {
        m_leaving->setGeometry(box);
        if (auto *fade = qobject_cast<QGraphicsOpacityEffect *>(m_leaving->graphicsEffect()))
            fade->setOpacity(1 - progress);
    }
}

void OnboardingView::advance() {
    if (m_step < stepCount() - 1) {
        showStep(m_step + 1);
        return;
    }
    Settings::hasCompletedOnboarding.set(true, m_defaults);
}

void OnboardingView::goBack() {
    if (m_step > 0) showStep(m_step - 1);
}

void OnboardingView::keyPressEvent(QKeyEvent *event) {
    // Return acts as the primary button; while a recorder listens it never gets here.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        advance();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::bg()); }

void OnboardingView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}
