#include "app/MenuBarView.h"

#include "app/Greeting.h"
#include "app/MainWindowController.h"
#include "capture/CaptureService.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "history/RecentTileRow.h"
#include "history/RecentsStore.h"
#include "platform/KeyEvent.h"
#include "platform/UserDefaults.h"
#include "widgets/ControlState.h"
#include "widgets/BrandMark.h"
#include "widgets/CardShape.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QAbstractButton>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

// One row: its title at the left and, when it has one, its shortcut at the right; lit under the pointer.
class MenuBarView::Row final : public QAbstractButton {
public:
    Row(const QString &title, const QString &shortcut, QWidget *parent) : QAbstractButton(parent) {
        setObjectName(QStringLiteral("row"));
        setText(title);
        setAccessibleName(title);
        setShortcut(shortcut);
        setFixedHeight(32);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::NoFocus);
    }
    // Drawn at the right, and read out after the title as a menu's shortcut is.
    void setShortcut(const QString &shortcut) {
        m_shortcut = shortcut;
        setAccessibleDescription(shortcut);
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        ControlState::dimWhileDisabled(p, *this);
        if (ControlState::isHovered(*this))
            p.fillPath(Theme::continuousRoundedRect(QRectF(rect()), 7), Theme::accentSoft());
        const QRect inside = rect().adjusted(12, 0, -12, 0);
        int shortcutWidth = 0;
        if (!m_shortcut.isEmpty()) {
            p.setFont(Theme::monospaceFont(12));
            p.setPen(Theme::text2());
            shortcutWidth = p.fontMetrics().horizontalAdvance(m_shortcut);
            p.drawText(inside, Qt::AlignVCenter | Qt::AlignRight, m_shortcut);
        }
        p.setFont(Theme::font(14));
        p.setPen(Theme::text());
        const QRect titleBox = inside.adjusted(0, 0, -(shortcutWidth ? shortcutWidth + 8 : 0), 0);
        p.drawText(titleBox, Qt::AlignVCenter | Qt::AlignLeft,
                   p.fontMetrics().elidedText(text(), Qt::ElideRight, titleBox.width()));
    }
    bool event(QEvent *e) override {
        if (e->type() == QEvent::HoverEnter || e->type() == QEvent::HoverLeave) update();
        return QAbstractButton::event(e);
    }

private:
    QString m_shortcut;
};

namespace {

// A hairline across the panel, 8 in from each side, with 5 above and below.
class Separator final : public QWidget {
public:
    explicit Separator(QWidget *parent) : QWidget(parent) { setFixedHeight(11); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(QRect(8, 5, width() - 16, 1), Theme::line()); }
};

// A shortcut of the application's own menus, written as every shortcut is.
QString commandKey(int keyCode, const char *label) {
    return Shortcut{static_cast<std::uint16_t>(keyCode), platform::ModifierFlag::command, QString::fromLatin1(label)}
        .displayString();
}

} // namespace

MenuBarView::MenuBarView(ShortcutStore &shortcuts, RecentsStore &recents, platform::UserDefaults &defaults,
                         QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint), m_shortcuts(shortcuts), m_recents(recents),
      m_defaults(defaults) {
    setObjectName(QStringLiteral("trayMenu"));
    setWindowTitle(L("Menu do Pelicarta"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(panelWidth);
    m_shape = new CardShape(this, [this] { return Theme::continuousRoundedRect(QRectF(rect()), 12); });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);

    layout->addWidget(makeHeader());
    layout->addWidget(new Separator(this));
    for (ShortcutAction action : ShortcutActions::all())
        addRow(ShortcutActions::title(action), QString(), [action] { CaptureService::start(action); });
    layout->addWidget(new Separator(this));
    layout->addWidget(makeRecents());
    layout->addWidget(new Separator(this));
    addRow(L("Abrir Pelicarta"), QString(), [] { MainWindowController::shared().show(AppRouter::Page::home); });
    addRow(L("Histórico e busca…"), QString(), [] { MainWindowController::shared().show(AppRouter::Page::history); });
    addRow(L("Ajustes…"), commandKey(platform::KeyCode::comma, ","),
           [] { MainWindowController::shared().show(AppRouter::Page::settings); });
    addRow(
        L("Sair"), commandKey(platform::KeyCode::q, "Q"), [this] { emit quitRequested(); }, false);

    m_defaults.onChange(Settings::greetingEnabled.key(), this, [this] { refreshHeader(); });
    connect(&m_shortcuts, &ShortcutStore::shortcutsChanged, this, &MenuBarView::refreshShortcuts);
    connect(&m_recents, &RecentsStore::itemsChanged, this, &MenuBarView::refreshRecents);
    // A tile opens its capture in the main window, which comes forward: the panel makes way.
    connect(&m_recents, &RecentsStore::editorRequested, this, [this] { hide(); });
    refreshHeader();
    refreshShortcuts();
    refreshRecents();
}

QWidget *MenuBarView::makeHeader() {
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(10);
    row->addWidget(new BrandMark(28, header), 0, Qt::AlignVCenter);
    auto *lines = new QVBoxLayout;
    lines->setSpacing(2);
    m_headerTitle = elidedLabel(QString(), Theme::font(14, QFont::DemiBold), Theme::text(), header);
    m_headerTitle->setObjectName(QStringLiteral("headerTitle"));
    m_headerSubtitle = themedLabel(QStringLiteral("Pelicarta"), Theme::font(12), Theme::text3(), header);
    m_headerSubtitle->setObjectName(QStringLiteral("headerSubtitle"));
    lines->addWidget(m_headerTitle);
    lines->addWidget(m_headerSubtitle);
    row->addLayout(lines, 1);
    return header;
}

QWidget *MenuBarView::makeRecents() {
    auto *block = new QWidget(this);
    auto *column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *label = new SectionLabel(L("Recentes"), block);
    auto *labelRow = new QHBoxLayout;
    labelRow->setContentsMargins(12, 4, 12, 0);
    labelRow->addWidget(label);
    column->addLayout(labelRow);

    m_noCaptures = themedLabel(L("Nenhuma captura ainda."), Theme::font(13), Theme::text3(), block);
    m_noCaptures->setObjectName(QStringLiteral("noCaptures"));
    m_noCaptures->setContentsMargins(12, 8, 12, 8);
    column->addWidget(m_noCaptures);

    m_tileBox = new QWidget(block);
    auto *tiles = new QHBoxLayout(m_tileBox);
    tiles->setContentsMargins(12, 6, 12, 6);
    m_tiles = new RecentTileRow(m_recents, tileHeight, 8, 3, m_tileBox);
    m_tiles->setObjectName(QStringLiteral("tiles"));
    tiles->addWidget(m_tiles);
    column->addWidget(m_tileBox);
    return block;
}

void MenuBarView::addRow(const QString &title, const QString &shortcut, std::function<void()> action,
                         bool closesFirst) {
    auto *row = new Row(title, shortcut, this);
    connect(row, &QAbstractButton::clicked, this, [this, action = std::move(action), closesFirst] {
        if (!closesFirst) {
            action();
            return;
        }
        hide();
        // Acts once the panel is gone, so that a capture never sees it.
        QTimer::singleShot(0, qApp, action);
    });
    layout()->addWidget(row);
    m_rows.append(row);
}

void MenuBarView::refreshHeader() {
    const bool greeting = Settings::greetingEnabled.value(m_defaults);
    m_headerTitle->setText(greeting ? Greeting::line(m_defaults) : QStringLiteral("Pelicarta"));
    m_headerSubtitle->setVisible(greeting);
}

void MenuBarView::refreshShortcuts() {
    const QList<ShortcutAction> actions = ShortcutActions::all();
    for (qsizetype i = 0; i < actions.size(); ++i)
        m_rows[i]->setShortcut(m_shortcuts.shortcut(actions[i]).displayString());
}

void MenuBarView::refreshRecents() {
    const QList<RecentCapture> &items = m_recents.items();
    m_tiles->setItems(items);
    m_noCaptures->setVisible(items.isEmpty());
    m_tileBox->setVisible(!items.isEmpty());
    if (isVisible()) adjustSize();
}

void MenuBarView::popup(const QRect &anchor) {
    refreshHeader(); // the greeting of this moment
    m_anchor = anchor.isValid() ? anchor : QRect(QCursor::pos(), QSize(1, 1));
    adjustSize();
    place();
    show();
    activateWindow();
}

void MenuBarView::toggle(const QRect &anchor) {
    if (isVisible()) {
        hide();
        return;
    }
    // A popup closes on a press outside it before the tray hears the click: a press that closed it over
    // the icon was this very click, which only closes. Told by where the press was, not by how soon the
    // click follows, which a busy machine stretches; one that never reached the tray is forgotten after
    // a while.
    constexpr int closingClickMs = 5000;
    const bool closingClick =
        m_closingPress && anchor.contains(*m_closingPress) && m_sinceClosingPress.elapsed() < closingClickMs;
    m_closingPress.reset();
    if (!closingClick) popup(anchor);
}

void MenuBarView::mousePressEvent(QMouseEvent *event) {
    if (!rect().contains(event->position().toPoint())) {
        m_closingPress = event->globalPosition().toPoint();
        m_sinceClosingPress.start();
    }
    QFrame::mousePressEvent(event); // a popup closes on a press outside it
}

void MenuBarView::place() {
    if (!m_anchor.isValid()) return;
    QScreen *screen = QGuiApplication::screenAt(m_anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(QPoint(), size());
    // Below the anchor when it sits in the top half, above it otherwise; then inside the screen's
    // available area, which a tray panel's reserved strip is not part of.
    constexpr int gap = 4;
    QPoint origin(m_anchor.center().x() - width() / 2, m_anchor.bottom() + 1 + gap);
    const bool above = m_anchor.center().y() > visible.center().y();
    if (above) origin.setY(m_anchor.top() - gap - height());
    origin = CardShape::keptInside(QRect(origin, size()), visible);
    // Pushed back over the anchor by the screen's edge (a panel taller than the room on its side): it
    // goes beside the anchor instead, so that a second click on the icon reaches the icon.
    if (QRect(origin, size()).intersects(m_anchor)) {
        const bool right = m_anchor.center().x() < visible.center().x();
        origin.setX(right ? m_anchor.right() + 1 + gap : m_anchor.left() - gap - width());
    }
    move(origin);
}

void MenuBarView::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    if (isVisible()) place(); // a recents row came or went while it shows
}

void MenuBarView::keyPressEvent(QKeyEvent *event) {
    // ⌘Q is Ctrl+Q on this keyboard; it quits without closing the panel first, as "Sair" does.
    if (event->key() == Qt::Key_Q && event->modifiers() == Qt::ControlModifier) {
        emit quitRequested();
        return;
    }
    QFrame::keyPressEvent(event);
}

void MenuBarView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_shape->cut()) p.fillRect(rect(), Theme::panel()); // nothing see-through at the edge of the cut
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12);
    p.fillPath(shape, Theme::panel());
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
}
