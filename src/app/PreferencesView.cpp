#include "app/PreferencesView.h"

#include "app/Greeting.h"
#include "app/Log.h"
#include "app/PrefRow.h"
#include "app/ShortcutsSection.h"
#include "capture/HotkeyManager.h"
#include "capture/ScreenAccess.h"
#include "core/ByteCount.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "core/WholeNumber.h"
#include "history/RecentsStore.h"
#include "platform/Alert.h"
#include "platform/LoginItem.h"
#include "platform/UserAccount.h"
#include "platform/UserDefaults.h"
#include "widgets/ControlState.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Picker.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToggleSwitch.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kColumnWidth = 720;

// A plain button showing one of our icons, for small actions inside a row.
class IconButton final : public QAbstractButton {
public:
    IconButton(const QString &icon, QWidget *parent) : QAbstractButton(parent), m_icon(icon) {
        setFixedSize(24, 24);
        ControlState::pointWhileEnabled(this);
        setAttribute(Qt::WA_Hover); // repainted as the pointer comes and goes
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        ControlState::dimWhileDisabled(p, *this);
        p.drawPixmap(QRect(5, 5, 14, 14),
                     Icons::pixmap(m_icon, 14, ControlState::isHovered(*this) ? Theme::text() : Theme::text3(),
                                   devicePixelRatioF()));
    }

private:
    QString m_icon;
};

// A section of the page under its title: the section, and the column its rows go in.
std::pair<QWidget *, QVBoxLayout *> newSection(QWidget *parent, const QString &label) {
    auto *section = new QWidget(parent);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(new SectionLabel(label, section));
    auto *rows = new QVBoxLayout;
    rows->setSpacing(0);
    column->addLayout(rows);
    return {section, rows};
}

// A switch that stores its state in `setting` at each click.
ToggleSwitch *settingSwitch(const Setting<bool> &setting, platform::UserDefaults &defaults) {
    auto *toggle = new ToggleSwitch;
    QObject::connect(toggle, &QAbstractButton::clicked, toggle,
                     [&setting, &defaults](bool on) { setting.set(on, defaults); });
    return toggle;
}

// Stores each choice of `picker`, whose values are the enumerators of `setting` as whole numbers.
template <typename E>
void storeChoices(Picker *picker, const Setting<E> &setting, platform::UserDefaults &defaults) {
    QObject::connect(picker, &Picker::chosen, picker,
                     [&setting, &defaults](const QVariant &value) { setting.set(E(value.toInt()), defaults); });
}

QString afterCaptureDetail(AfterCapture value) {
    switch (value) {
    case AfterCapture::copy: return L("Sem janela: aplica o estilo padrão e copia");
    case AfterCapture::quick:
        return L("O print flutua no canto: arraste para uma conversa. Botão direito escolhe um fundo");
    case AfterCapture::editor: break;
    }
    return L("Janela completa para ajustar fundo, margem e exportação");
}

QString keepLimitText(qint64 limit) {
    if (limit == 0) return L("Não guardar");
    if (limit == RecentsStore::unlimited) return L("Sem limite");
    return L(LKey("%@ capturas", {QString::number(limit)}));
}

} // namespace

// The controls the page refreshes, found by what they show.
struct PreferencesView::Controls {
    ToggleSwitch *greeting = nullptr;
    QLineEdit *name = nullptr;
    ToggleSwitch *launch = nullptr;
    Picker *afterCapture = nullptr;
    PrefRow *lifetimeRow = nullptr;
    Picker *lifetime = nullptr;
    Picker *areaRelease = nullptr;
    ToggleSwitch *tips = nullptr;
    Picker *keep = nullptr;
    ToggleSwitch *compact = nullptr;
    QAbstractButton *freeSpace = nullptr;
    QStackedWidget *permission = nullptr;
};

PreferencesView::PreferencesView(ShortcutStore &shortcuts, HotkeyManager &hotkeys, StyleStore &styles,
                                 RecentsStore &recents, platform::UserDefaults &defaults, QWidget *parent)
    : QWidget(parent), m_shortcutStore(shortcuts), m_hotkeys(hotkeys), m_styles(styles), m_recents(recents),
      m_defaults(defaults), m_controls(std::make_unique<Controls>()) {
    setObjectName(QStringLiteral("preferencesPage"));
    setAccessibleName(L("Ajustes"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->viewport()->setAutoFillBackground(false);
    auto *content = new QWidget(scroll);
    // One column of at most 720, centred in the page.
    auto *centre = new QHBoxLayout(content);
    centre->setContentsMargins(0, 0, 0, 0);
    auto *column = new QWidget(content);
    column->setMaximumWidth(kColumnWidth);
    centre->addStretch(1);
    centre->addWidget(column, 100);
    centre->addStretch(1);
    auto *sections = new QVBoxLayout(column);
    sections->setContentsMargins(32, 40, 32, 32);
    sections->setSpacing(28);
    sections->addWidget(themedLabel(L("Ajustes"), Theme::font(22, QFont::DemiBold), Theme::text(), column));
    sections->addWidget(makeGeneral(column));
    sections->addWidget(makeCapture(column));
    m_shortcuts = new ShortcutsSection(m_shortcutStore, m_hotkeys, column);
    sections->addWidget(m_shortcuts);
    sections->addWidget(makeHistory(column));
    // X11 asks nothing before a program reads the screen: no row for a permission nobody grants.
    if (ScreenAccess::shared().isNeeded()) sections->addWidget(makePermission(column));
    sections->addStretch(1);
    scroll->setWidget(content);
    content->setAutoFillBackground(false); // the page paints the background, setWidget had turned this on
    outer->addWidget(scroll);

    // While the page shows, every change made anywhere shows at once.
    connect(&m_defaults, &platform::UserDefaults::changed, this, [this](const QString &key) {
        if (!isVisible()) return;
        if (key == Settings::historyKeep.key() || key == Settings::historyCompact.key()) refreshHistory();
        else if (key == Settings::greetingEnabled.key() || key == Settings::customName.key()) refreshGeneral();
        else refreshCapture();
    });
    for (auto signal : {&StyleStore::defaultStyleChanged, &StyleStore::backdropsChanged})
        connect(&m_styles, signal, this, [this] {
            if (isVisible()) refreshCapture();
        });
    connect(&m_styles, &StyleStore::presetsChanged, this, [this] {
        if (isVisible()) refreshPresets();
    });
    for (auto signal : {&RecentsStore::itemsChanged, &RecentsStore::usedBytesChanged})
        connect(&m_recents, signal, this, [this] {
            if (isVisible()) refreshHistory();
        });
}

PreferencesView::~PreferencesView() = default;

PrefRow *PreferencesView::addRow(QVBoxLayout *section, const QString &title, QWidget *control) {
    auto *row = new PrefRow(title, QString(), control, section->parentWidget());
    section->addWidget(row);
    m_rows.append(row);
    return row;
}

QWidget *PreferencesView::makeGeneral(QWidget *parent) {
    const auto [section, rows] = newSection(parent, L("Geral"));
    Controls &c = *m_controls;

    c.greeting = settingSwitch(Settings::greetingEnabled, m_defaults);
    addRow(rows, L("Mostrar saudação"), c.greeting);

    c.name = new QLineEdit;
    c.name->setFixedWidth(180);
    c.name->setFont(Theme::font(13));
    c.name->setStyleSheet(
        QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 7px; "
                       "padding: 5px 8px; } QLineEdit:focus { border-color: %4; } "
                       "QLineEdit:disabled { color: %5; }")
            .arg(Theme::raised().name(), Theme::text().name(), Theme::lineStrong().name(QColor::HexArgb),
                 Theme::accentLine().name(QColor::HexArgb), Theme::text3().name()));
    // Kept as typed, at every change; the greeting trims it where it reads it.
    connect(c.name, &QLineEdit::textEdited, this,
            [this](const QString &text) { Settings::customName.set(text, m_defaults); });
    addRow(rows, L("Seu nome"), c.name)->setDetail(L("Vazio = nome da conta do Mac"));

    c.launch = new ToggleSwitch; // read as the page comes on screen
    connect(c.launch, &QAbstractButton::clicked, this, &PreferencesView::setLaunchAtLogin);
    addRow(rows, L("Iniciar com o Mac"), c.launch);

    auto *again = new SecondaryButton(L("Rever"));
    connect(again, &QAbstractButton::clicked, this,
            [this] { Settings::hasCompletedOnboarding.set(false, m_defaults); });
    addRow(rows, L("Boas-vindas"), again)->setDetail(L("Mostra o onboarding de novo"));
    return section;
}

QWidget *PreferencesView::makeCapture(QWidget *parent) {
    const auto [section, rows] = newSection(parent, L("Captura"));
    Controls &c = *m_controls;

    c.afterCapture = new Picker(220);
    c.afterCapture->addChoice(L("Abrir o Editor"), int(AfterCapture::editor));
    c.afterCapture->addChoice(L("Print flutuante (leve)"), int(AfterCapture::quick));
    c.afterCapture->addChoice(L("Copiar já embelezado"), int(AfterCapture::copy));
    storeChoices(c.afterCapture, Settings::afterCapture, m_defaults);
    addRow(rows, L("Depois de capturar"), c.afterCapture);

    c.lifetime = new Picker(160);
    c.lifetime->addChoice(L("10 segundos"), int(QuickLifetime::short_));
    c.lifetime->addChoice(L("30 segundos"), int(QuickLifetime::medium));
    c.lifetime->addChoice(L("1 minuto"), int(QuickLifetime::long_));
    c.lifetime->addChoice(L("Até eu fechar"), int(QuickLifetime::forever_));
    storeChoices(c.lifetime, Settings::quickLifetime, m_defaults);
    c.lifetimeRow = addRow(rows, L("O print flutuante some depois de"), c.lifetime);
    c.lifetimeRow->setDetail(L("Passar o mouse por cima pausa a contagem"));

    c.areaRelease = new Picker(200);
    c.areaRelease->addChoice(L("Ajustar antes de capturar"), int(AreaRelease::adjust));
    c.areaRelease->addChoice(L("Capturar na hora"), int(AreaRelease::instant));
    storeChoices(c.areaRelease, Settings::areaRelease, m_defaults);
    addRow(rows, L("Ao soltar a seleção de área"), c.areaRelease);

    c.tips = settingSwitch(Settings::overlayTipsEnabled, m_defaults);
    addRow(rows, L("Dicas de teclado na seleção"), c.tips)->setDetail(L("Uma linha discreta abaixo da barra Capturar"));

    auto *restoreStyle = new SecondaryButton(L("Restaurar"));
    connect(restoreStyle, &QAbstractButton::clicked, this, [this] { m_styles.setDefaultStyle(BeautyStyle{}); });
    addRow(rows, L("Estilo padrão"), restoreStyle);

    auto *restoreBackdrops = new SecondaryButton(L("Restaurar de fábrica"));
    connect(restoreBackdrops, &QAbstractButton::clicked, this, [this] { m_styles.resetBackdrops(); });
    addRow(rows, L("Fundos"), restoreBackdrops);

    auto *restorePresets = new SecondaryButton(L("Restaurar de fábrica"));
    connect(restorePresets, &QAbstractButton::clicked, this, [this] { m_styles.resetPresets(); });
    addRow(rows, L("Presets"), restorePresets)
        ->setDetail(L("Renomeie, atualize ou exclua com o botão direito no Editor"));

    m_presetRows = new QVBoxLayout;
    m_presetRows->setSpacing(0);
    rows->addLayout(m_presetRows);
    return section;
}

QWidget *PreferencesView::makeHistory(QWidget *parent) {
    const auto [section, rows] = newSection(parent, L("Histórico"));
    Controls &c = *m_controls;

    c.keep = new Picker(160);
    for (qint64 limit : RecentsStore::keepOptions()) c.keep->addChoice(keepLimitText(limit), limit);
    connect(c.keep, &Picker::chosen, this, [this](const QVariant &value) { chooseKeepLimit(value.toLongLong()); });
    addRow(rows, L("Guardar no histórico"), c.keep)
        ->setDetail(L("Ficam só no seu Mac; passando do limite, as mais antigas saem sozinhas"));

    c.compact = settingSwitch(Settings::historyCompact, m_defaults);
    addRow(rows, L("Formato compacto (HEIC)"), c.compact)
        ->setDetail(L("Ocupa bem menos espaço que PNG, com qualidade alta. Vale para as próximas capturas"));

    c.freeSpace = new SecondaryButton(L("Liberar espaço"));
    connect(c.freeSpace, &QAbstractButton::clicked, this, &PreferencesView::confirmDeleteAll);
    addRow(rows, L("Espaço usado"), c.freeSpace);
    return section;
}

QWidget *PreferencesView::makePermission(QWidget *parent) {
    const auto [section, rows] = newSection(parent, L("Permissões"));
    Controls &c = *m_controls;
    c.permission = new QStackedWidget;
    auto *granted = new QLabel(c.permission);
    granted->setPixmap(
        Icons::pixmap(QStringLiteral("checkmark.circle.fill"), 18, Theme::success(), devicePixelRatioF()));
    granted->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *open = new SecondaryButton(L("Abrir configurações do sistema"), c.permission);
    // Shows the state and leads to the settings; the page never asks for access itself.
    connect(open, &QAbstractButton::clicked, this, [this] { ScreenAccess::shared().openSettings(); });
    c.permission->addWidget(granted);
    c.permission->addWidget(open);
    c.permission->setFixedSize(open->sizeHint());
    addRow(rows, L("Gravação de Tela"), c.permission);
    return section;
}

PrefRow *PreferencesView::row(const QString &title) const {
    for (PrefRow *row : m_rows)
        if (row->title() == title) return row;
    return nullptr;
}

void PreferencesView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_permissionGranted = ScreenAccess::shared().isGranted();
    // The desktop's own tools may have changed the autostart entry meanwhile; a failure belongs to the
    // visit it happened in.
    m_controls->launch->setChecked(platform::LoginItem::isEnabled());
    m_launchError.clear();
    refreshGeneral();
    refreshCapture();
    refreshPresets();
    refreshHistory();
    refreshPermission();
}

void PreferencesView::refreshGeneral() {
    Controls &c = *m_controls;
    const bool greeting = Settings::greetingEnabled.value(m_defaults);
    c.greeting->setChecked(greeting);
    row(L("Mostrar saudação"))->setDetail(L(LKey("“%@” na tela inicial e no menu", {Greeting::line(m_defaults)})));
    const QString name = Settings::customName.value(m_defaults);
    if (c.name->text() != name) {
        c.name->setText(name);
        // A name longer than the field reads from its start, as one typed there does once left.
        if (!c.name->hasFocus()) c.name->setCursorPosition(0);
    }
    const QString account = platform::UserSession::shared().accountFullName();
    c.name->setPlaceholderText(Greeting::firstName(QString(), account));
    // Off, the greeting has no name to show: the field keeps its text but cannot be edited.
    c.name->setEnabled(greeting);
    row(L("Iniciar com o Mac"))
        ->setDetail(m_launchError.isEmpty() ? L("Abre o Pelicarta na barra de menu ao ligar") : m_launchError);
}

void PreferencesView::refreshCapture() {
    Controls &c = *m_controls;
    // Read as the capture road reads them: what is shown is what a capture would do.
    const AfterCapture after = Settings::afterCapture.value(m_defaults);
    c.afterCapture->setCurrentValue(int(after));
    row(L("Depois de capturar"))->setDetail(afterCaptureDetail(after));
    c.lifetimeRow->setVisible(after == AfterCapture::quick);
    c.lifetime->setCurrentValue(int(Settings::quickLifetime.value(m_defaults)));
    const AreaRelease release = Settings::areaRelease.value(m_defaults);
    c.areaRelease->setCurrentValue(int(release));
    row(L("Ao soltar a seleção de área"))
        ->setDetail(release == AreaRelease::instant ? L("Captura assim que você solta o mouse")
                                                    : L("Ajuste com alças e setas; confirme com ↵ ou duplo clique"));
    c.tips->setChecked(Settings::overlayTipsEnabled.value(m_defaults));

    const BeautyStyle &style = m_styles.defaultStyle();
    row(L("Estilo padrão"))
        ->setDetail(L(LKey("Fundo %@ · margem %@ pt — mude pelo Editor",
                           {style.backdrop.displayName(), QString::number(truncatedWhole(style.padding))})));
    const qsizetype backdrops = m_styles.backdrops().size();
    row(L("Fundos"))
        ->setDetail(backdrops == 1 ? L("1 fundo · crie e edite cores pelo Editor (tecla E)")
                                   : L(LKey("%@ fundos · crie e edite cores pelo Editor (tecla E)",
                                            {QString::number(backdrops)})));
}

void PreferencesView::refreshPresets() {
    while (QLayoutItem *item = m_presetRows->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            m_rows.removeOne(static_cast<PrefRow *>(widget));
            widget->hide();
            widget->deleteLater(); // its own button may be the one being clicked
        }
        delete item;
    }
    const QList<StylePreset> &presets = m_styles.presets();
    for (qsizetype i = 0; i < presets.size(); ++i) {
        const StylePreset preset = presets[i];
        const QString number = QString::number(i + 1);
        auto *remove = new IconButton(QStringLiteral("trash"), nullptr);
        remove->setToolTip(L("Remover preset"));
        remove->setAccessibleName(L(LKey("Remover preset %@", {preset.displayName()})));
        connect(remove, &QAbstractButton::clicked, this, [this, preset] { m_styles.removePreset(preset); });
        auto *row = new PrefRow(L(LKey("Preset %@: %@", {number, preset.displayName()})),
                                L(LKey("Tecla %@ no Editor", {number})), remove, m_presetRows->parentWidget());
        row->setObjectName(QStringLiteral("presetRow%1").arg(i));
        m_presetRows->addWidget(row);
    }
}

void PreferencesView::refreshHistory() {
    Controls &c = *m_controls;
    c.keep->setCurrentValue(m_recents.keepOnDisk());
    c.compact->setChecked(m_recents.isCompact());
    // Counted afresh: files may have come or gone since the last look.
    const int files = m_recents.fileCount();
    row(L("Espaço usado"))
        ->setDetail(files == 1
                        ? L(LKey("%@ em 1 captura", {byteCountText(m_recents.usedBytes())}))
                        : L(LKey("%@ em %@ capturas", {byteCountText(m_recents.usedBytes()), QString::number(files)})));
    c.freeSpace->setEnabled(files > 0);
}

void PreferencesView::refreshPermission() {
    Controls &c = *m_controls;
    if (!c.permission) return;
    row(L("Gravação de Tela"))->setDetail(m_permissionGranted ? L("Concedida") : L("Necessária para capturar"));
    c.permission->setCurrentIndex(m_permissionGranted ? 0 : 1);
}

void PreferencesView::setLaunchAtLogin(bool on) {
    if (on == platform::LoginItem::isEnabled()) return;
    QString error;
    if (platform::LoginItem::setEnabled(on, &error)) {
        m_launchError.clear();
    } else {
        qCWarning(lcApp).noquote() << "autostart entry not changed:" << error;
        m_launchError = L("Não foi possível alterar agora. Tente de novo.");
    }
    // The switch shows what is true now.
    m_controls->launch->setChecked(platform::LoginItem::isEnabled());
    refreshGeneral();
}

void PreferencesView::chooseKeepLimit(qint64 limit) {
    const int files = m_recents.fileCount();
    if (limit < files && !confirmShrink(limit, files)) {
        refreshHistory(); // the picker shows the stored limit again
        return;
    }
    m_recents.applyKeepLimit(limit);
    refreshHistory();
}

bool PreferencesView::confirmShrink(qint64 limit, int fileCount) {
    const qint64 deleted = limit == 0 ? fileCount : fileCount - limit;
    QString message;
    if (limit == 0)
        message = deleted == 1
                      ? L("Parar de guardar e apagar o print do histórico?")
                      : L(LKey("Parar de guardar e apagar os %@ prints do histórico?", {QString::number(deleted)}));
    else
        message = deleted == 1 ? L("Apagar o print mais antigo do histórico?")
                               : L(LKey("Apagar os %@ prints mais antigos do histórico?", {QString::number(deleted)}));
    const QString consequence =
        deleted == 1 ? L("Ele será apagado do Pelicarta e não dá para desfazer. Imagens que você salvou em outras "
                         "pastas não são afetadas.")
                     : L("Eles serão apagados do Pelicarta e não dá para desfazer. Imagens que você salvou em "
                         "outras pastas não são afetadas.");
    const platform::Alert alert{message, consequence, {L("Apagar"), L("Cancelar")}, 1};
    return platform::AlertPresenter::shared().run(alert) == 0;
}

void PreferencesView::confirmDeleteAll() {
    const platform::Alert alert{L("Excluir todas as capturas do histórico?"),
                                L("Elas serão apagadas do Pelicarta. Imagens que você já salvou em outras pastas não "
                                  "são afetadas."),
                                {L("Excluir todas"), L("Cancelar")},
                                1};
    if (platform::AlertPresenter::shared().run(alert) != 0) return;
    m_recents.deleteAll(); // the keep limit stays
    refreshHistory();
}

void PreferencesView::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::bg()); }
