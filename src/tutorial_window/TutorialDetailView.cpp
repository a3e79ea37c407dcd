#include "tutorial_window/TutorialDetailView.h"

#include "brand/BrandStore.h"
#include "capture/CaptureService.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "tutorial_window/EmptyState.h"
#include "tutorial_window/GlowBackground.h"
#include "tutorial_window/NumberBadge.h"
#include "tutorial_window/TutorialDetailHeader.h"
#include "tutorial_window/TutorialPanels.h"
#include "tutorial_window/TutorialStepsList.h"
#include "tutorial_window/TutorialTexts.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

TutorialDetailView::TutorialDetailView(TutorialStore &store, BrandStore &brand, ShortcutStore &shortcuts,
                                       PictureLoader &loader, QWidget *parent)
    : QWidget(parent), m_store(store), m_shortcuts(shortcuts) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_header = new TutorialDetailHeader(store, brand, shortcuts, this);
    m_header->setObjectName(QStringLiteral("header"));
    column->addWidget(m_header);
    column->addWidget(FilledArea::divider(this));
    m_unreadable = themedLabel({}, Theme::font(12), Theme::warning(), this);
    m_unreadable->setObjectName(QStringLiteral("unreadableSteps"));
    m_unreadable->setWordWrap(true);
    m_unreadable->setContentsMargins(24, 10, 24, 10);
    m_unreadable->hide();
    column->addWidget(m_unreadable);
    m_body = new QStackedWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_empty = makeEmptyState();
    m_empty->setObjectName(QStringLiteral("emptyState"));
    m_body->addWidget(m_empty);
    m_steps = new TutorialStepsList(store, loader, m_body);
    m_steps->setObjectName(QStringLiteral("steps"));
    m_body->addWidget(m_steps);
    column->addWidget(m_body, 1);

    connect(&store, &TutorialStore::libraryChanged, this, &TutorialDetailView::refresh);
    connect(&store, &TutorialStore::currentIDChanged, this, &TutorialDetailView::refresh);
    connect(&store, &TutorialStore::recordingChanged, this, &TutorialDetailView::refresh);
    connect(&brand, &BrandStore::configuredChanged, this, &TutorialDetailView::refresh);
    connect(&shortcuts, &ShortcutStore::shortcutsChanged, this, &TutorialDetailView::refresh);
    refresh();
}

QWidget *TutorialDetailView::makeEmptyState() {
    auto *empty = new GlowBackground(this);
    auto *column = new QVBoxLayout(empty);
    column->setSpacing(22);
    column->addStretch(1);

    column->addWidget(emptyStateSymbol(QStringLiteral("list.number"), empty), 0, Qt::AlignHCenter);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(6);
    titles->addWidget(themedLabel(L("Crie um passo a passo"), Theme::font(24, QFont::DemiBold), Theme::text(), empty),
                      0, Qt::AlignHCenter);
    titles->addWidget(themedLabel(L("Ideal para ensinar um fluxo, abrir um chamado ou documentar um processo."),
                                  Theme::font(14), Theme::text2(), empty),
                      0, Qt::AlignHCenter);
    column->addLayout(titles);

    auto *card = new RoundedPanel(Theme::panel(), 14, empty);
    card->setFixedWidth(520);
    auto *rows = new QVBoxLayout(card);
    rows->setContentsMargins(20, 20, 20, 20);
    rows->setSpacing(12);
    for (int n = 1; n <= 4; ++n) {
        auto *row = new QHBoxLayout;
        row->setSpacing(12);
        row->addWidget(new NumberBadge(n, 22, 12, card), 0, Qt::AlignTop);
        QLabel *text = themedLabel(QString(), Theme::font(13), Theme::text2(), card);
        text->setObjectName(QStringLiteral("howTo%1").arg(n));
        text->setTextFormat(Qt::MarkdownText);
        text->setWordWrap(true);
        row->addWidget(text, 1);
        rows->addLayout(row);
        m_howTo.append(text);
    }
    // Centred between stretches, not by alignment, so that its wrapped rows get their full height.
    auto *centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addWidget(card);
    centred->addStretch(1);
    column->addLayout(centred);

    QPushButton *start = recordingButton(L("Começar a gravar"), empty);
    connect(start, &QPushButton::clicked, this, [this] { m_store.startRecording(); });
    column->addWidget(start, 0, Qt::AlignHCenter);
    m_start = start;

    // Once recording, starting again would do nothing: what the recording pill offers takes its place.
    m_recordingActions = new QWidget(empty);
    auto *actions = new QHBoxLayout(m_recordingActions);
    actions->setContentsMargins(0, 0, 0, 0);
    actions->setSpacing(10);
    auto *step = new PrimaryButton(L("Capturar passo"), m_recordingActions);
    step->setIcon(Icons::icon(QStringLiteral("viewfinder"), Theme::ink()));
    connect(step, &QPushButton::clicked, this, [] { CaptureService::start(ShortcutAction::captureArea); });
    actions->addWidget(step);
    auto *finish = new SecondaryButton(L("Concluir"), m_recordingActions);
    connect(finish, &QPushButton::clicked, this, [this] {
        if (m_store.isRecording()) m_store.toggleRecording();
    });
    actions->addWidget(finish);
    column->addWidget(m_recordingActions, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return empty;
}

namespace {

// The keys as Markdown shows them: a backslash or "*" on a key cap is a letter, not markup.
QString markdownLiteral(const QString &text) {
    static const QString active = QStringLiteral("\\`*_{}[]<>()#!|~");
    QString out;
    for (const QChar c : text) {
        if (active.contains(c)) out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

void TutorialDetailView::refreshHowTo() {
    const QStringList texts{
        L(LKey(QStringLiteral("Clique em **Começar a gravar** (ou %@)."),
               {markdownLiteral(TutorialTexts::toggleKeys(m_shortcuts))})),
        L("Capture cada etapa com seus atalhos de sempre — cada print vira um passo numerado."),
        L("Clique em **Concluir**, escreva o que fazer em cada passo e marque onde clicar."),
        L("Exporte como imagem, PDF ou Markdown — ou copie e cole direto na conversa."),
    };
    for (qsizetype i = 0; i < m_howTo.size(); ++i)
        if (m_howTo[i]->text() != texts[i]) m_howTo[i]->setText(texts[i]);
}

void TutorialDetailView::refresh() {
    if (!m_store.currentID()) return; // the page shows the library; nothing here is on screen
    if (m_shown != m_store.currentID()) {
        m_steps->clear();
        m_shown = m_store.currentID();
    }
    const Tutorial tutorial = m_store.tutorial();
    m_header->refresh();
    const QString unreadable = TutorialTexts::unreadableSteps(tutorial.unreadableSteps);
    if (m_unreadable->text() != unreadable) m_unreadable->setText(unreadable);
    m_unreadable->setVisible(!unreadable.isEmpty());
    refreshHowTo();
    m_body->setCurrentWidget(tutorial.steps.isEmpty() ? m_empty : static_cast<QWidget *>(m_steps));
    m_start->setVisible(!m_store.isRecording());
    m_recordingActions->setVisible(m_store.isRecording());
    m_steps->setSteps(tutorial.steps, m_store.isRecording());
}

void TutorialDetailView::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::bg()); }
