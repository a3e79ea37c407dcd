#include "app/AppShellView.h"

#include "app/AppSidebar.h"
#include "app/AppWiring.h"
#include "app/HomeView.h"
#include "app/PagePlaceholder.h"
#include "app/ShortcutsSection.h"
#include "brand/BrandStore.h"
#include "brand_window/BrandView.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "core/StyleStore.h"
#include "editor_window/EditorPage.h"
#include "history/HistoryStore.h"
#include "history/HistoryView.h"
#include "history/RecentsStore.h"
#include "platform/UserDefaults.h"
#include "tutorial_window/TutorialView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// The editor page while no capture is open.
class EmptyEditorView final : public QWidget {
public:
    explicit EmptyEditorView(QWidget *parent) : QWidget(parent) {
        setObjectName(QStringLiteral("emptyEditor"));
        auto *column = new QVBoxLayout(this);
        column->setSpacing(10);
        column->addStretch(1);
        auto *icon = new QLabel(this);
        icon->setPixmap(Icons::pixmap(QStringLiteral("photo.on.rectangle.angled"), 36, Theme::text3(), devicePixelRatioF()));
        column->addWidget(icon, 0, Qt::AlignHCenter);
        column->addWidget(themedLabel(L("Nenhum print aberto"), Theme::font(15, QFont::Medium), Theme::text(), this), 0,
                          Qt::AlignHCenter);
        column->addWidget(themedLabel(L("Capture algo ou abra um recente no Início."), Theme::font(13), Theme::text3(), this),
                          0, Qt::AlignHCenter);
        column->addStretch(1);
    }
};

class Divider final : public QWidget {
public:
    explicit Divider(QWidget *parent) : QWidget(parent) { setFixedWidth(1); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Theme::line()); }
};

// TEMPORARY until the first-run onboarding exists: every run counts as having completed it. The
// onboarding will fill the whole window, instead of the sidebar and pages, while
// Settings::hasCompletedOnboarding is false.
bool onboardingCompleted() { return true; }

} // namespace

AppShellView::AppShellView(AppRouter &router, QWidget *parent) : QWidget(parent), m_router(router) {
    setObjectName(QStringLiteral("appShell"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_stack = new QStackedWidget(this);
    if (onboardingCompleted()) {
        platform::UserDefaults &defaults = platform::UserDefaults::standard();
        m_sidebar = new AppSidebar(router, ShortcutStore::shared(), TutorialStore::shared(), defaults, this);
        row->addWidget(m_sidebar);
        row->addWidget(new Divider(this));
    }
    row->addWidget(m_stack, 1);

    m_emptyEditor = new EmptyEditorView(m_stack);
    m_pages = {
        {AppRouter::Page::home, new HomeView(ShortcutStore::shared(), RecentsStore::shared(),
                                             platform::UserDefaults::standard(), Greeting::systemSources(), m_stack)},
        {AppRouter::Page::tutorial, new TutorialView(TutorialStore::shared(), ShortcutStore::shared(), BrandStore::shared(), m_stack)},
        {AppRouter::Page::brand, new BrandView(BrandStore::shared(), StyleStore::shared(), m_stack)},
        {AppRouter::Page::settings, new SettingsPage(m_stack)},
    };
    for (QWidget *page : std::as_const(m_pages)) m_stack->addWidget(page);
    m_stack->addWidget(m_emptyEditor);
    connect(&router, &AppRouter::editorChanged, this, &AppShellView::editorChanged);
    connect(&router, &AppRouter::pageChanged, this, &AppShellView::showPage);
    editorChanged(router.editor());
}

QWidget *AppShellView::currentPage() const { return m_stack->currentWidget(); }

QWidget *AppShellView::pageWidget(AppRouter::Page page) const {
    if (page == AppRouter::Page::history) return m_historyView;
    if (page != AppRouter::Page::editor) return m_pages.value(page);
    return m_editorPage ? static_cast<QWidget *>(m_editorPage) : m_emptyEditor;
}

void AppShellView::editorChanged(EditorModel *editor) {
    // A new capture gets a new editor view: nothing of the previous one's view state carries over.
    if (m_editorPage) {
        m_stack->removeWidget(m_editorPage);
        m_editorPage->hide();
        m_editorPage->deleteLater();
        m_editorPage = nullptr;
    }
    if (editor) {
        m_editorPage = new EditorPage(m_stack);
        m_editorPage->setModel(editor);
        m_stack->addWidget(m_editorPage);
    }
    showPage();
}

void AppShellView::showPage() {
    if (m_router.page() == AppRouter::Page::history) visitHistory();
    // The brand page starts afresh each time it is opened: its notice, tab and preview are kept only
    // while it stays on screen.
    if (m_router.page() == AppRouter::Page::brand && m_stack->currentWidget() != m_pages[AppRouter::Page::brand]) {
        QWidget *old = m_pages[AppRouter::Page::brand];
        auto *fresh = new BrandView(BrandStore::shared(), StyleStore::shared(), m_stack);
        m_stack->insertWidget(m_stack->indexOf(old), fresh);
        m_pages[AppRouter::Page::brand] = fresh;
        m_stack->removeWidget(old);
        old->deleteLater();
    }
    m_stack->setCurrentWidget(pageWidget(m_router.page()));
}

void AppShellView::visitHistory() {
    if (m_historyView && m_stack->currentWidget() == m_historyView) return; // still the same visit
    if (!m_historyView) {
        m_historyView = new HistoryView(HistoryStore::shared(), RecentsStore::shared(), m_stack);
        connect(m_historyView, &HistoryView::editorRequested, this, &AppWiring::openInEditor);
        connect(m_historyView, &HistoryView::settingsRequested, this,
                [this] { m_router.setPage(AppRouter::Page::settings); });
        m_stack->addWidget(m_historyView);
    }
    m_historyView->reload();
}
