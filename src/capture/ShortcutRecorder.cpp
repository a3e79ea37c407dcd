#include "capture/ShortcutRecorder.h"

#include "capture/HotkeyManager.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "core/SystemShortcuts.h"
#include "platform/KeyEvent.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

// Takes every key press of the application while a recorder listens, so that no shortcut, menu or
// other widget sees it (Ctrl+Q included).
class RecorderKeyFilter : public QObject {
public:
    explicit RecorderKeyFilter(ShortcutRecorder *recorder) : QObject(recorder), m_recorder(recorder) {}

    bool eventFilter(QObject *, QEvent *event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            event->accept(); // the press then comes as a key press instead of a shortcut
            return true;
        case QEvent::KeyPress:
            event->accept(); // accepted and filtered: it travels no further up the widget tree
            m_recorder->handleKeyPress(*static_cast<QKeyEvent *>(event));
            return true;
        default: return false;
        }
    }

private:
    ShortcutRecorder *m_recorder;
};

namespace {
QFont promptFont(bool large) { return Theme::font(large ? 16 : 13); }
} // namespace

// The rounded field: key caps of the combination, or the prompt while recording.
class ShortcutRecorder::Field : public QAbstractButton {
public:
    Field(ShortcutRecorder *recorder, Keycap::Size size)
        : QAbstractButton(recorder), m_recorder(recorder), m_size(size) {
        const bool large = size == Keycap::Size::large;
        // The large field's soft outer ring reaches 5 px beyond it. Wide enough for the prompt in
        // every language, so it is never cut.
        const int prompt = QFontMetrics(promptFont(large)).horizontalAdvance(L("Pressione a combinação…"));
        setFixedSize(large ? QSize(std::max(330, prompt + 50), 98) : QSize(std::max(150, prompt + 20), 32));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::ClickFocus);
    }
    void setKeys(const QStringList &keys) {
        m_keys = keys;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        const bool large = m_size == Keycap::Size::large;
        const bool recording = m_recorder->isRecording();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = large ? QRectF(5, 5, width() - 10, 88) : QRectF(0, 0, width(), 32);
        const qreal radius = large ? 16 : 8;
        const QPainterPath shape = Theme::continuousRoundedRect(box, radius);
        if (large) {
            QColor ring = Theme::accent();
            ring.setAlphaF(recording ? 0.16 : 0.08);
            p.strokePath(shape, QPen(ring, 10));
        }
        p.fillPath(shape, large ? Theme::rgb(0x16161C) : Theme::raised());
        const bool accentOutline = recording || large;
        const qreal width = accentOutline && large ? 1.5 : 1;
        p.strokePath(Theme::continuousRoundedRect(box.adjusted(width / 2, width / 2, -width / 2, -width / 2), radius),
                     QPen(accentOutline ? Theme::accentLine() : Theme::lineStrong(), width));
        if (recording) {
            p.setFont(promptFont(large));
            p.setPen(Theme::text2());
            p.drawText(box, Qt::AlignCenter, L("Pressione a combinação…"));
        } else {
            const QSizeF row = Keycap::paintRow(nullptr, {}, m_keys, m_size);
            Keycap::paintRow(&p, box.center() - QPointF(row.width() / 2, row.height() / 2), m_keys, m_size);
        }
    }

private:
    ShortcutRecorder *m_recorder;
    Keycap::Size m_size;
    QStringList m_keys;
};

namespace {

QPushButton *makeLink(QWidget *parent) {
    auto *link = new LinkButton(L("Abrir Atalhos de Teclado do macOS"), 12, parent);
    QObject::connect(link, &QPushButton::clicked, [] { SystemShortcuts::openKeyboardSettings(); });
    return link;
}

// Only one recorder listens at a time: two would each swallow keys, and the first to stop would bring
// the hot keys back while the other still records.
QPointer<ShortcutRecorder> activeRecorder;

void setColor(QLabel *label, const QColor &color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

ShortcutRecorder::ShortcutRecorder(ShortcutStore &store, HotkeyManager &hotkeys, ShortcutAction action,
                                   Keycap::Size size, QWidget *parent)
    : QWidget(parent), m_store(store), m_hotkeys(hotkeys), m_action(action), m_size(size) {
    const bool large = size == Keycap::Size::large;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(large ? 14 - 5 : 14); // the large field carries 5 px of ring below it
    const Qt::Alignment alignment = large ? Qt::AlignHCenter : Qt::AlignLeft;

    m_field = new Field(this, size);
    m_field->setObjectName(QStringLiteral("shortcutField"));
    connect(m_field, &QAbstractButton::clicked, this, [this] { m_recording ? stopRecording() : startRecording(); });
    m_fieldRow = new QHBoxLayout;
    m_fieldRow->setContentsMargins(0, 0, 0, 0);
    m_fieldRow->setSpacing(6);
    m_fieldRow->addWidget(m_field, 0, Qt::AlignVCenter);
    layout->addLayout(m_fieldRow);
    layout->setAlignment(m_fieldRow, alignment);

    m_status = new QWidget(this);
    QWidget *status = m_status;
    auto *statusLayout = new QVBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(8);
    m_statusRow = new QWidget(status);
    m_statusRow->setObjectName(QStringLiteral("statusRow"));
    auto *row = new QHBoxLayout(m_statusRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_statusIcon = new QLabel(m_statusRow);
    m_statusLabel = new PlainLabel(m_statusRow);
    m_statusLabel->setObjectName(QStringLiteral("statusText"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setFont(Theme::font(large ? 13 : 12));
    // The small one's messages wrap under its field, so that a row of it is no wider than the field.
    m_statusLabel->setMaximumWidth(large ? 380 : m_field->width() - 19);
    m_statusLabel->setAlignment(large ? Qt::AlignHCenter : Qt::AlignLeft);
    if (large) row->addStretch(1);
    row->addWidget(m_statusIcon, 0, Qt::AlignTop);
    row->addWidget(m_statusLabel);
    if (large) row->addStretch(1);
    m_statusLabel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    statusLayout->addWidget(m_statusRow, 0, alignment);
    m_settingsLink = makeLink(status);
    m_settingsLink->setObjectName(QStringLiteral("keyboardSettingsLink"));
    statusLayout->addWidget(m_settingsLink, 0, alignment);
    layout->addWidget(status, 0, alignment);
    // A message appearing must not move the field: the width is that of the widest message from the
    // start. The large one keeps a line for the message while there is none; the small one stands in a
    // row of its own height, which grows by the message below the field.
    setMinimumWidth(std::max(m_field->width(), m_statusLabel->maximumWidth() + 19));
    m_statusLabel->setMinimumHeight(QFontMetrics(m_statusLabel->font()).height());
    QSizePolicy keepRow = m_statusRow->sizePolicy();
    keepRow.setRetainSizeWhenHidden(large);
    m_statusRow->setSizePolicy(keepRow);

    connect(&m_store, &ShortcutStore::shortcutsChanged, this, &ShortcutRecorder::refresh);
    refresh();
}

ShortcutRecorder::ShortcutRecorder(ShortcutAction action, Keycap::Size size, QWidget *parent)
    : ShortcutRecorder(ShortcutStore::shared(), HotkeyManager::shared(), action, size, parent) {}

ShortcutRecorder::~ShortcutRecorder() { stopRecording(); }

void ShortcutRecorder::setAccessory(QWidget *accessory) {
    accessory->setParent(this);
    m_fieldRow->addWidget(accessory, 0, Qt::AlignVCenter);
    const int row = m_field->width() + m_fieldRow->spacing() + accessory->sizeHint().width();
    if (m_size == Keycap::Size::small) m_statusLabel->setMaximumWidth(row - 19);
    setMinimumWidth(std::max(row, m_statusLabel->maximumWidth() + 19));
}

void ShortcutRecorder::startRecording() {
    if (activeRecorder && activeRecorder != this) activeRecorder->stopRecording();
    activeRecorder = this;
    m_problem.reset();
    m_recording = true;
    m_hotkeys.setSuspended(true);
    if (!m_filter) {
        m_filter = new RecorderKeyFilter(this);
        qApp->installEventFilter(m_filter);
    }
    m_field->setFocus(Qt::MouseFocusReason);
    refresh();
    emit recordingChanged(true);
}

void ShortcutRecorder::stopRecording() {
    const bool wasRecording = m_recording;
    if (activeRecorder == this) activeRecorder = nullptr;
    if (m_recording) m_hotkeys.setSuspended(false);
    m_recording = false;
    if (m_filter) {
        qApp->removeEventFilter(m_filter);
        m_filter->deleteLater();
        m_filter = nullptr;
    }
    refresh();
    if (wasRecording) emit recordingChanged(false);
}

void ShortcutRecorder::hideEvent(QHideEvent *event) {
    stopRecording();
    QWidget::hideEvent(event);
}

void ShortcutRecorder::handleKeyPress(const QKeyEvent &qtEvent) {
    const auto event = platform::KeyEvent::fromQt(qtEvent);
    if (!event || !m_recording) return;
    if (event->keyCode == platform::KeyCode::escape) {
        stopRecording();
        return;
    }
    const auto label = Shortcut::keyName(*event);
    if (!label || event->keyCode < 0) return;
    const Shortcut candidate{static_cast<std::uint16_t>(event->keyCode), event->shortcutModifiers(), *label};
    const auto result = m_store.validate(candidate, m_action);
    const bool accepted = !result || result->isWarning();
    if (accepted) {
        m_store.setShortcut(m_action, candidate);
        m_store.save(candidate, m_action);
    }
    m_problem = result;
    if (accepted) stopRecording();
    else refresh();
}

void ShortcutRecorder::refresh() {
    const Shortcut shown = m_store.shortcut(m_action);
    m_field->setKeys(shown.symbols());
    m_field->setAccessibleName(
        m_recording ? L(LKey("Gravando atalho para %@. Pressione a combinação.", {ShortcutActions::title(m_action)}))
                    : L(LKey("Atalho de %@: %@. Clique para gravar outro.",
                             {ShortcutActions::title(m_action), shown.displayString()})));
    m_field->update();

    const bool large = m_size == Keycap::Size::large;
    QString text, icon;
    QColor color;
    if (m_problem) {
        text = m_problem->message();
        icon = large ? QStringLiteral("exclamationmark.triangle") : QString();
        color = Theme::warning();
    } else if (large && m_recording) {
        text = L("Esc cancela · atalhos do macOS não podem ser gravados");
        color = Theme::text3();
    } else if (large) {
        text = L("Pronto — teste agora em qualquer app");
        icon = QStringLiteral("checkmark");
        color = Theme::success();
    }
    m_statusRow->setVisible(!text.isEmpty());
    m_statusLabel->setText(text);
    // As wide as the text up to the limit, so a short line never wraps inside a narrow field.
    m_statusLabel->setMinimumWidth(
        std::min(m_statusLabel->maximumWidth(), QFontMetrics(m_statusLabel->font()).horizontalAdvance(text) + 1));
    setColor(m_statusLabel, color);
    m_statusIcon->setVisible(!icon.isEmpty());
    if (!icon.isEmpty()) m_statusIcon->setPixmap(Icons::pixmap(icon, 13, color, devicePixelRatioF()));
    // Without a keyboard settings program the link would lead nowhere.
    m_settingsLink->setVisible(m_problem && m_problem->kind == ShortcutProblem::Kind::systemScreenshot &&
                               SystemShortcuts::hasKeyboardSettings());
    // Nor the space between the field and the message while the small one says nothing.
    if (!large) m_status->setVisible(!m_statusRow->isHidden() || !m_settingsLink->isHidden());
}
