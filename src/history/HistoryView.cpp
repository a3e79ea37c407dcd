#include "history/HistoryView.h"

#include "core/ByteCount.h"
#include "core/Localization.h"
#include "history/HistoryGrid.h"
#include "history/HistoryHeaderControls.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
#include "history/StoredCapture.h"
#include "platform/Clock.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Segmented.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kClockCheckMs = 60'000;

class HeaderRule final : public QWidget {
public:
    explicit HeaderRule(QWidget *parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Theme::line()); }
};

} // namespace

// A symbol, a title, a detail and maybe one action, centred in the page.
class HistoryView::EmptyState final : public QWidget {
public:
    explicit EmptyState(QWidget *parent) : QWidget(parent) {
        auto *column = new QVBoxLayout(this);
        column->setSpacing(10);
        column->addStretch(1);
        m_icon = new QLabel(this);
        column->addWidget(m_icon, 0, Qt::AlignHCenter);
        m_title = themedLabel(QString(), Theme::font(15, QFont::Medium), Theme::text(), this);
        m_title->setObjectName(QStringLiteral("emptyTitle"));
        column->addWidget(m_title, 0, Qt::AlignHCenter);
        // As wide as the page allows up to 360, as high as its lines there: a label placed by alignment
        // gets only its one-line height otherwise.
        m_detail = wrappingLabel(QString(), Theme::font(13), Theme::text3(), this);
        m_detail->setObjectName(QStringLiteral("emptyDetail"));
        m_detail->setAlignment(Qt::AlignCenter);
        m_detail->setMaximumWidth(360);
        auto *centred = new QHBoxLayout;
        centred->addStretch(1);
        centred->addWidget(m_detail, 100);
        centred->addStretch(1);
        column->addLayout(centred);
        column->addSpacing(6);
        m_action = new SecondaryButton(QString(), this);
        m_action->setObjectName(QStringLiteral("emptyAction"));
        column->addWidget(m_action, 0, Qt::AlignHCenter);
        column->addStretch(1);
    }

    void show(const QString &icon, const QString &title, const QString &detail, const QString &action) {
        m_icon->setPixmap(Icons::pixmap(icon, 30, Theme::text3(), devicePixelRatioF()));
        m_title->setText(title);
        m_detail->setText(detail);
        m_action->setText(action);
        m_action->setVisible(!action.isEmpty());
    }

private:
    QLabel *m_icon;
    QLabel *m_title;
    QLabel *m_detail;
    SecondaryButton *m_action;
};

HistoryView::HistoryView(HistoryStore &history, RecentsStore &recents, QWidget *parent)
    : QWidget(parent), m_history(history), m_recents(recents) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::bg());
    setPalette(palette);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    column->addWidget(new HeaderRule(this));
    m_content = new QStackedWidget(this);
    m_spinnerPage = new QWidget(m_content);
    auto *spinnerRow = new QVBoxLayout(m_spinnerPage);
    spinnerRow->addWidget(new Spinner(16, m_spinnerPage), 0, Qt::AlignCenter);
    m_content->addWidget(m_spinnerPage);
    m_empty = new EmptyState(m_content);
    m_content->addWidget(m_empty);
    m_grid = new HistoryGrid(history, m_content);
    m_grid->setObjectName(QStringLiteral("grid"));
    m_content->addWidget(m_grid);
    column->addWidget(m_content, 1);

    connect(m_empty->findChild<SecondaryButton *>(), &QAbstractButton::clicked, this, &HistoryView::emptyActionChosen);
    connect(m_grid, &HistoryGrid::selectRequested, this, &HistoryView::select);
    connect(m_grid, &HistoryGrid::openRequested, this, &HistoryView::open);
    connect(m_grid, &HistoryGrid::deleteRequested, this, [this](const HistoryEntry &entry) { remove({entry.path()}); });

    // The page's keys are the window's while the page shows (a hidden page's shortcuts never fire).
    m_findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(m_findKey, &QShortcut::activated, this, [this] { m_search->field()->setFocus(Qt::ShortcutFocusReason); });
    m_deleteKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(m_deleteKey, &QShortcut::activated, this, [this] {
        if (!m_selected.isEmpty()) remove({m_selected});
    });
    connect(qApp, &QApplication::focusChanged, this, &HistoryView::updateKeys);

    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &HistoryView::refresh);
    // Today, yesterday and the periods move with the clock while the page stays open.
    m_clockTimer.setInterval(kClockCheckMs);
    connect(&m_clockTimer, &QTimer::timeout, this, &HistoryView::refresh);
    for (auto signal : {&HistoryStore::entriesChanged, &HistoryStore::loaded})
        connect(&history, signal, this, &HistoryView::scheduleRefresh);
    connect(&history, &HistoryStore::recordStored, this, &HistoryView::scheduleRefresh);
    connect(&history, &HistoryStore::pendingCountChanged, this, &HistoryView::scheduleRefresh);
    for (auto signal : {&RecentsStore::usedBytesChanged, &RecentsStore::keepOnDiskChanged, &RecentsStore::itemsChanged})
        connect(&recents, signal, this, &HistoryView::scheduleRefresh);
    refresh();
}

HistoryView::~HistoryView() {
    // The children and the application outlive this part of the object while QWidget tears down:
    // a focus change or a grid signal sent then must not reach the page's slots.
    disconnect(qApp, nullptr, this, nullptr);
    if (m_grid) m_grid->disconnect(this);
    if (m_search) m_search->field()->disconnect(this);
}

QWidget *HistoryView::makeHeader() {
    auto *header = new QWidget(this);
    auto *column = new QVBoxLayout(header);
    column->setContentsMargins(28, 38, 28, 16);
    column->setSpacing(14);

    auto *top = new QHBoxLayout;
    top->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto *title = themedLabel(L("Histórico"), Theme::font(18, QFont::DemiBold), Theme::text(), header);
    title->setObjectName(QStringLiteral("title"));
    titles->addWidget(title);
    m_summary = themedLabel(QString(), Theme::font(12), Theme::text3(), header);
    m_summary->setObjectName(QStringLiteral("summary"));
    titles->addWidget(m_summary);
    top->addLayout(titles);
    top->addStretch(1);
    m_reading = new QWidget(header);
    m_reading->setObjectName(QStringLiteral("reading"));
    m_reading->setToolTip(L("O Pelicarta lê o texto de cada print, no próprio Mac, para você poder buscar por ele"));
    auto *reading = new QHBoxLayout(m_reading);
    reading->setContentsMargins(0, 0, 0, 0);
    reading->setSpacing(6);
    reading->addWidget(new Spinner(12, m_reading));
    m_readingLabel = themedLabel(QString(), Theme::font(12), Theme::text3(), m_reading);
    m_readingLabel->setObjectName(QStringLiteral("readingLine"));
    reading->addWidget(m_readingLabel);
    top->addWidget(m_reading, 0, Qt::AlignTop);
    column->addLayout(top);

    auto *controls = new QHBoxLayout;
    controls->setSpacing(10);
    m_search = new HistorySearchBox(header);
    m_search->setObjectName(QStringLiteral("searchBox"));
    controls->addWidget(m_search, 1);
    m_periods = newPeriodSwitch(header);
    m_periods->setObjectName(QStringLiteral("periodSwitch"));
    controls->addWidget(m_periods, 0, Qt::AlignVCenter);
    column->addLayout(controls);

    connect(m_search->field(), &QLineEdit::textChanged, this, &HistoryView::queryEdited);
    m_periods->onChosen([this](HistoryPeriod period) { setPeriod(period); });
    return header;
}

void HistoryView::reload() {
    {
        const QSignalBlocker blocker(m_search->field());
        m_search->field()->clear();
    }
    m_query.clear();
    m_period = HistoryPeriod::all;
    m_periods->setValue(m_period);
    clearSelection();
    m_search->field()->clearFocus();
    m_reloadedFromSpinner = false;
    m_grid->scrollToTop();
    m_history.reload();
    refresh();
}

bool HistoryView::isSearching() const {
    // Spaces and tabs only are no search; a line break cannot be typed in the field.
    for (QChar c : m_query)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c.category() != QChar::Separator_Space) return true;
    return false;
}

void HistoryView::queryEdited(const QString &text) {
    m_query = text;
    clearSelection();
    refresh();
}

void HistoryView::setPeriod(HistoryPeriod period) {
    m_period = period;
    m_periods->setValue(period);
    clearSelection();
    refresh();
}

// --- Rendering ---

void HistoryView::scheduleRefresh() {
    if (!isVisible()) {
        m_stale = true; // done when the page shows again
        return;
    }
    m_refreshTimer.start(0);
}

void HistoryView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_clockTimer.start();
    if (m_stale) refresh();
}

void HistoryView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_clockTimer.stop();
}

void HistoryView::refresh() {
    m_refreshTimer.stop();
    m_stale = false;
    const QDateTime now = platform::Clock::shared().now();
    // The one search of this render: the content, the headings and the summary all read it.
    const QList<HistoryEntry> found = m_history.search(m_query, periodSince(m_period, now));
    m_summary->setText(summaryFor(found.size()));
    const int pending = m_history.pendingCount();
    m_reading->setVisible(pending > 0);
    m_readingLabel->setText(pending == 1 ? L("Lendo o texto dos prints · falta 1")
                                         : L(LKey("Lendo o texto dos prints · faltam %@", {QString::number(pending)})));
    m_search->setSearching(isSearching());
    showState(found, now);
}

HistoryView::State HistoryView::stateNow(const QList<HistoryEntry> &found) const {
    if (m_recents.keepOnDisk() == 0) return State::off;
    if (m_history.entries().isEmpty() && m_recents.fileCount() > 0) return State::indexing;
    if (m_history.visibleEntries().isEmpty()) return State::empty;
    return found.isEmpty() ? State::nothingFound : State::list;
}

void HistoryView::showState(const QList<HistoryEntry> &found, const QDateTime &now) {
    m_state = stateNow(found);
    switch (m_state) {
    case State::off:
        showEmpty(QStringLiteral("clock.badge.xmark"), L("O histórico está desligado"),
                  L("Os prints não estão sendo guardados. Ligue em Ajustes › Histórico."), L("Abrir Ajustes"));
        break;
    case State::indexing:
        m_content->setCurrentWidget(m_spinnerPage);
        // Files on disk, no entries and no reading under way: nothing would ever end this spinner.
        if (!m_reloadedFromSpinner && m_history.isLoaded() && m_history.pendingCount() == 0) {
            m_reloadedFromSpinner = true;
            QTimer::singleShot(0, this, [this] { m_history.reload(); });
        }
        break;
    case State::empty:
        showEmpty(QStringLiteral("photo.on.rectangle"), L("Nenhum print ainda"),
                  L("Tudo o que você capturar aparece aqui, com busca pelo texto de dentro do print."), QString());
        break;
    case State::nothingFound:
        showEmpty(QStringLiteral("magnifyingglass"), L("Nada encontrado"),
                  m_history.pendingCount() > 0 ? L("Alguns prints ainda estão sendo lidos. Tente de novo em instantes.")
                                               : L("Nenhum print tem esse texto neste período."),
                  L("Limpar busca"));
        break;
    case State::list:
        m_grid->setContent({found, daySections(found), m_query, isSearching(), now.toLocalTime().date()});
        m_content->setCurrentWidget(m_grid);
        break;
    }
}

void HistoryView::showEmpty(const QString &icon, const QString &title, const QString &detail, const QString &action) {
    m_empty->show(icon, title, detail, action);
    m_content->setCurrentWidget(m_empty);
}

QString HistoryView::summaryFor(qsizetype found) const {
    const qsizetype total = m_history.visibleEntries().size();
    if (total == 0) return L("Nenhum print guardado");
    const QString count = QString::number(total);
    if (isSearching() || m_period != HistoryPeriod::all) {
        if (found == 1) return L(LKey("1 de %@ encontrado", {count}));
        return L(LKey("%@ de %@ encontrados", {QString::number(found), count}));
    }
    const QString size = byteCountText(m_recents.usedBytes());
    if (total == 1) return L(LKey("1 print · %@", {size}));
    return L(LKey("%@ prints · %@", {count, size}));
}

// --- Actions ---

void HistoryView::emptyActionChosen() {
    if (m_state == State::off) {
        emit settingsRequested();
    } else if (m_state == State::nothingFound) {
        m_search->field()->clear();
        setPeriod(HistoryPeriod::all);
    }
}

void HistoryView::select(const HistoryEntry &entry) {
    m_selected = entry.path();
    m_grid->setSelectedPath(m_selected);
    // The field gives up the focus, so that Ctrl+Backspace deletes the capture and not a word.
    m_grid->setFocus(Qt::MouseFocusReason);
    updateKeys();
}

void HistoryView::clearSelection() {
    m_selected.clear();
    m_grid->setSelectedPath({});
    updateKeys();
}

void HistoryView::updateKeys() { m_deleteKey->setEnabled(!m_selected.isEmpty() && !m_search->field()->hasFocus()); }

void HistoryView::open(const HistoryEntry &entry) {
    const QString path = entry.path();
    StoredCapture::open(
        path, this, [this, path](const QImage &image) { emit editorRequested(image, path, std::nullopt); },
        [this, path] { remove({path}); }); // removed behind our back: the stores forget it
}

void HistoryView::remove(const QStringList &paths) {
    if (paths.contains(m_selected)) clearSelection();
    m_recents.deleteFiles(paths);
}
