#include "app/ShortcutsSection.h"

#include "app/PrefRow.h"

#include "capture/HotkeyManager.h"
#include "capture/ShortcutRecorder.h"
#include "capture/SystemShortcutsGuide.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "core/SystemShortcuts.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *textLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    return wrappingLabel(text, font, color, parent);
}

// The round-arrow reset button; drawn only while the action differs from its default.
class ResetButton : public QAbstractButton {
public:
    explicit ResetButton(QWidget *parent) : QAbstractButton(parent) {
        setFixedSize(22, 22);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(L("Voltar ao padrão"));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        if (!isEnabled()) return;
        QPainter p(this);
        p.drawPixmap(QRectF(4, 4, 14, 14),
                     Icons::pixmap(QStringLiteral("arrow.counterclockwise"), 14, Theme::text3(), devicePixelRatioF()),
                     QRectF());
    }
};

// A numbered step of the print-key guide.
QWidget *guideStep(const QString &number, const QString &text, QWidget *parent) {
    auto *row = new QWidget(parent);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(10);
    auto *badge = new QLabel(row);
    badge->setTextFormat(Qt::PlainText);
    badge->setText(number);
    badge->setFixedSize(16, 16);
    badge->setAlignment(Qt::AlignCenter);
    badge->setFont(Theme::font(11, QFont::DemiBold));
    badge->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border-radius: 8px; }")
                             .arg(Theme::accent().name(), Theme::ink().name()));
    h->addWidget(badge, 0, Qt::AlignTop);
    h->addWidget(textLabel(text, Theme::font(12), Theme::text2(), row), 1);
    return row;
}

// The box that explains how to use a keyboard's print key.
class PrintKeyGuide : public QWidget {
public:
    explicit PrintKeyGuide(QWidget *parent) : QWidget(parent) {
        auto *v = new QVBoxLayout(this);
        v->setContentsMargins(14, 14, 14, 14);
        v->setSpacing(10);
        auto *title = new QWidget(this);
        auto *th = new QHBoxLayout(title);
        th->setContentsMargins(0, 0, 0, 0);
        th->setSpacing(6);
        auto *icon = new QLabel(title);
        icon->setPixmap(Icons::pixmap(QStringLiteral("keyboard"), 14, Theme::text(), devicePixelRatioF()));
        th->addWidget(icon);
        th->addWidget(textLabel(L("Usar a tecla de print do seu teclado"), Theme::font(13, QFont::DemiBold),
                                Theme::text(), title),
                      1);
        v->addWidget(title);
        v->addWidget(
            guideStep(QStringLiteral("1"),
                      L("Clique num atalho acima e aperte a tecla de print. Teclas de PC (Print Screen, F13–F20) "
                        "funcionam direto."),
                      this));
        v->addWidget(guideStep(QStringLiteral("2"),
                               L("Se ela mandar o atalho de print do macOS (⇧⌘4 ou ⇧⌘5, comum em teclados Logitech), "
                                 "desligue esse atalho no macOS e grave de novo."),
                               this));
        auto *link = new LinkButton(L("Abrir Teclado › Atalhos de Teclado › Capturas de Tela"), 12, this);
        connect(link, &QPushButton::clicked, [] { SystemShortcuts::openKeyboardSettings(); });
        link->setObjectName(QStringLiteral("keyboardSettingsLink"));
        // Without a keyboard settings program the link would lead nowhere.
        link->setVisible(SystemShortcuts::hasKeyboardSettings());
        auto *linkRow = new QHBoxLayout;
        linkRow->setContentsMargins(26, 0, 0, 0);
        linkRow->addWidget(link, 0, Qt::AlignLeft);
        v->addLayout(linkRow);
        v->addWidget(guideStep(QStringLiteral("3"),
                               L("Outra opção: no app do teclado (ex.: Logi Options+), faça a tecla enviar ⌥⇧A."),
                               this));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10);
        QColor fill = Theme::raised();
        fill.setAlphaF(0.6);
        p.fillPath(shape, fill);
        p.strokePath(shape, QPen(Theme::line(), 1));
    }
};

} // namespace

ShortcutsSection::ShortcutsSection(ShortcutStore &store, HotkeyManager &hotkeys, QWidget *parent)
    : QWidget(parent), m_store(store), m_hotkeys(hotkeys) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new SectionLabel(L("Atalhos globais"), this));
    layout->addWidget(textLabel(L("Clique no atalho e pressione a combinação que preferir. Esc cancela."),
                                Theme::font(12), Theme::text3(), this));
    auto *rows = new QVBoxLayout;
    rows->setSpacing(0);
    for (ShortcutAction action : ShortcutActions::all()) {
        auto *recorder = new ShortcutRecorder(store, hotkeys, action, Keycap::Size::small);
        // The reset stands right beside the field it resets.
        auto *reset = new ResetButton(recorder);
        reset->setToolTip(L(LKey("Voltar ao padrão (%@)", {Shortcut::defaultFor(action).displayString()})));
        connect(reset, &QAbstractButton::clicked, this, [this, action] { this->reset(action); });
        recorder->setAccessory(reset);
        auto *row = new PrefRow(ShortcutActions::title(action), QString(), recorder, this);
        row->setDetailIsWarning(true);
        rows->addWidget(row);
        m_recorders.insert(action, recorder);
        m_resets.insert(action, reset);
        m_rows.insert(action, row);
    }
    layout->addLayout(rows);
    layout->addSpacing(4);
    layout->addWidget(new PrintKeyGuide(this));
    layout->addWidget(new SystemShortcutsGuide(this));
    connect(&m_store, &ShortcutStore::shortcutsChanged, this, [this] {
        m_resetRefusals.clear();
        refresh();
    });
    connect(&m_hotkeys, &HotkeyManager::failedChanged, this, &ShortcutsSection::refresh);
    refresh();
}

void ShortcutsSection::reset(ShortcutAction action) {
    // Refused while another action holds the default: the combination stays and the row says why.
    if (const std::optional<ShortcutProblem> problem = m_store.reset(action)) {
        m_resetRefusals.insert(action, problem->message());
        refresh();
    }
}

void ShortcutsSection::refresh() {
    for (ShortcutAction action : ShortcutActions::all()) {
        // Disabled and undrawn while the action has its default (a label of its own counts as changed).
        m_resets.value(action)->setEnabled(!m_store.isDefault(action));
        m_resets.value(action)->update();
        QString detail = m_resetRefusals.value(action);
        if (detail.isEmpty() && m_hotkeys.hasFailed(action))
            detail = L("⚠︎ O macOS recusou — outro app pode estar usando. Grave outro.");
        m_rows.value(action)->setDetail(detail);
    }
}
