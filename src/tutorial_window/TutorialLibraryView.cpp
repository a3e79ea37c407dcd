#include "tutorial_window/TutorialLibraryView.h"

#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "tutorial_window/EmptyState.h"
#include "tutorial_window/GlowBackground.h"
#include "tutorial_window/PlainFields.h"
#include "tutorial_window/TutorialLibraryGrid.h"
#include "tutorial_window/TutorialPanels.h"
#include "tutorial_window/TutorialTexts.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// The search text without the spaces and tabs around it (line breaks stay).
QStringView trimmedQuery(const QString &query) {
    QStringView view(query);
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (!view.isEmpty() && blank(view.front())) view = view.sliced(1);
    while (!view.isEmpty() && blank(view.back())) view.chop(1);
    return view;
}

bool matches(const Tutorial &tutorial, QStringView needle) {
    if (tutorial.title.contains(needle, Qt::CaseInsensitive)) return true;
    return std::any_of(tutorial.steps.cbegin(), tutorial.steps.cend(), [&](const TutorialStep &step) {
        return step.title.contains(needle, Qt::CaseInsensitive) || step.detail.contains(needle, Qt::CaseInsensitive);
    });
}

} // namespace

QList<Tutorial> TutorialLibraryView::results(const QList<Tutorial> &library, const QString &query) {
    const QStringView needle = trimmedQuery(query);
    if (needle.isEmpty()) return library;
    QList<Tutorial> found;
    for (const Tutorial &tutorial : library)
        if (matches(tutorial, needle)) found.append(tutorial);
    return found;
}

TutorialLibraryView::TutorialLibraryView(TutorialStore &store, ShortcutStore &shortcuts, PictureLoader &loader,
                                         QWidget *parent)
    : QWidget(parent), m_store(store), m_shortcuts(shortcuts) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    column->addWidget(FilledArea::divider(this));

    // The stack "content" shows one of "emptyState", "noResults" and "results".
    m_content = new QStackedWidget(this);
    m_content->setObjectName(QStringLiteral("content"));
    m_empty = makeEmptyState();
    m_empty->setObjectName(QStringLiteral("emptyState"));
    m_content->addWidget(m_empty);
    m_noResults = themedLabel(QString(), Theme::font(14), Theme::text3(), m_content);
    m_noResults->setObjectName(QStringLiteral("noResults"));
    m_noResults->setAlignment(Qt::AlignCenter);
    m_content->addWidget(m_noResults);
    m_scroll = new QScrollArea(m_content);
    m_scroll->setObjectName(QStringLiteral("results"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid = new TutorialLibraryGrid(store, loader, m_scroll);
    m_grid->setObjectName(QStringLiteral("grid"));
    m_scroll->setWidget(m_grid);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_content->addWidget(m_scroll);
    column->addWidget(m_content, 1);

    connect(&store, &TutorialStore::libraryChanged, this, &TutorialLibraryView::refresh);
    connect(m_search, &QLineEdit::textChanged, this, &TutorialLibraryView::refresh);
    connect(&shortcuts, &ShortcutStore::shortcutsChanged, this, &TutorialLibraryView::refreshShortcut);
    refresh();
    refreshShortcut();
}

QWidget *TutorialLibraryView::makeHeader() {
    auto *header = new FilledArea(Theme::panel(), this);
    auto *row = new QHBoxLayout(header);
    // The title stands where the other pages' titles stand.
    row->setContentsMargins(28, 38, 28, 16);
    row->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(themedLabel(L("Tutoriais"), Theme::font(18, QFont::DemiBold), Theme::text(), header));
    m_count = themedLabel(QString(), Theme::font(12), Theme::text3(), header);
    m_count->setObjectName(QStringLiteral("count"));
    titles->addWidget(m_count);
    row->addLayout(titles);
    row->addSpacing(12);
    row->addStretch(1);

    auto *tray = new RoundedPanel(Theme::raised(), 8, header);
    tray->setFixedSize(280, 30);
    auto *search = new QHBoxLayout(tray);
    search->setContentsMargins(10, 0, 10, 0);
    search->setSpacing(6);
    auto *glass = new QLabel(tray);
    glass->setPixmap(Icons::pixmap(QStringLiteral("magnifyingglass"), 13, Theme::text3(), devicePixelRatioF()));
    search->addWidget(glass);
    m_search = new QLineEdit(tray);
    m_search->setObjectName(QStringLiteral("searchField"));
    makePlainField(m_search, Theme::font(13), Theme::text());
    m_search->setPlaceholderText(L("Buscar por título ou texto dos passos"));
    search->addWidget(m_search, 1);
    row->addWidget(tray);

    m_new = new ToolbarButton(L("Novo tutorial"), false, header);
    m_new->setObjectName(QStringLiteral("newButton"));
    m_new->setSymbol(QStringLiteral("plus"));
    connect(m_new, &QPushButton::clicked, this, [this] { m_store.newTutorial(); });
    row->addWidget(m_new);
    m_record = new ToolbarButton(L("Gravar novo"), true, header);
    m_record->setObjectName(QStringLiteral("recordButton"));
    m_record->setRecordingDot(true);
    m_record->setSpacing(7);
    m_record->setToolTip(L("Cria um tutorial e já começa a gravar os passos"));
    connect(m_record, &QPushButton::clicked, this, [this] { m_store.startRecording(); });
    row->addWidget(m_record);
    return header;
}

QWidget *TutorialLibraryView::makeEmptyState() {
    auto *empty = new GlowBackground(this);
    auto *column = new QVBoxLayout(empty);
    column->setSpacing(18);
    column->addStretch(1);
    column->addWidget(emptyStateSymbol(QStringLiteral("books.vertical"), empty), 0, Qt::AlignHCenter);
    column->addWidget(
        themedLabel(L("Seus tutoriais ficam aqui"), Theme::font(22, QFont::DemiBold), Theme::text(), empty), 0,
        Qt::AlignHCenter);
    QLabel *text =
        themedLabel(L("Grave um passo a passo e ele aparece nesta biblioteca, pronto para editar e exportar."),
                    Theme::font(14), Theme::text2(), empty);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true); // only where the window is too narrow for one line
    column->addWidget(text);
    QPushButton *start = recordingButton(L("Gravar o primeiro tutorial"), empty);
    connect(start, &QPushButton::clicked, this, [this] { m_store.startRecording(); });
    column->addWidget(start, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return empty;
}

QString TutorialLibraryView::query() const { return m_search->text(); }

void TutorialLibraryView::setQuery(const QString &query) { m_search->setText(query); }

void TutorialLibraryView::refresh() {
    const QList<Tutorial> &library = m_store.library();
    m_count->setText(library.size() == 1 ? L("1 tutorial")
                                         : L(LKey(QStringLiteral("%@ tutoriais"), {QString::number(library.size())})));
    if (library.isEmpty()) {
        m_content->setCurrentWidget(m_empty);
        return;
    }
    const QList<Tutorial> found = results(library, query());
    if (found.isEmpty()) {
        m_noResults->setText(L(LKey(QStringLiteral("Nenhum tutorial com “%@”."), {query()})));
        m_content->setCurrentWidget(m_noResults);
        return;
    }
    m_grid->setTutorials(found);
    m_content->setCurrentWidget(m_scroll);
}

void TutorialLibraryView::refreshShortcut() { m_record->setShortcutText(TutorialTexts::toggleKeys(m_shortcuts)); }

void TutorialLibraryView::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::bg()); }
