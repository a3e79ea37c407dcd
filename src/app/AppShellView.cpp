#include "app/AppShellView.h"

#include "app/AppSidebar.h"
#include "app/AppWiring.h"
#include "app/HomeView.h"
#include "app/OnboardingView.h"
#include "app/PreferencesView.h"
#include "app/ScreenAccess.h"
#include "brand/BrandStore.h"
#include "brand_window/BrandView.h"
#include "capture/HotkeyManager.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "core/StyleStore.h"
#include "editor_window/EditorView.h"
#include "history/HistoryStore.h"
#include "history/HistoryView.h"
#include "history/RecentsStore.h"
#include "platform/UserDefaults.h"
#include "tutorial_window/TutorialView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Divider.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedLayout>
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

} // namespace

AppShellView::AppShellView(AppRouter &router, QWidget *parent) : QWidget(parent), m_router(router) {
    setObjectName(QStringLiteral("appShell"));
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    m_modes = new QStackedLayout(this);
    m_shell = new QWidget(this);
    m_modes->addWidget(m_shell);
    auto *row = new QHBoxLayout(m_shell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_sidebar = new AppSidebar(router, ShortcutStore::shared(), TutorialStore::shared(), defaults, m_shell);
    row->addWidget(m_sidebar);
    row->addWidget(new Divider(Qt::Vertical, m_shell));
    m_stack = new QStackedWidget(m_shell);
    row->addWidget(m_stack, 1);

    connect(&router, &AppRouter::editorChanged, this, &AppShellView::editorChanged);
    connect(&router, &AppRouter::pageChanged, this, &AppShellView::showPage);
    editorChanged(router.editor());
    defaults.onChange(Settings::hasCompletedOnboarding.key(), this, [this] { followOnboarding(); });
    followOnboarding();
}

void AppShellView::followOnboarding() {
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    if (Settings::hasCompletedOnboarding.value(defaults)) {
        m_modes->setCurrentWidget(m_shell);
        if (m_onboarding) {
            // Its last button is what got us here: it goes once that click is over.
            m_modes->removeWidget(m_onboarding);
            m_onboarding->hide();
            m_onboarding->deleteLater();
            m_onboarding = nullptr;
        }
        return;
    }
    if (m_onboarding) return;
    m_onboarding = new OnboardingView(ShortcutStore::shared(), HotkeyManager::shared(), defaults, Greeting::systemSources(),
                                      ScreenAccess::system(), this);
    m_modes->addWidget(m_onboarding);
    m_modes->setCurrentWidget(m_onboarding);
}

QWidget *AppShellView::currentPage() const { return m_stack->currentWidget(); }

QWidget *AppShellView::makePage(AppRouter::Page page) {
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    switch (page) {
    case AppRouter::Page::home:
        return new HomeView(ShortcutStore::shared(), RecentsStore::shared(), defaults, Greeting::systemSources(), m_stack);
    case AppRouter::Page::tutorial:
        return new TutorialView(TutorialStore::shared(), ShortcutStore::shared(), BrandStore::shared(), m_stack);
    case AppRouter::Page::brand: return new BrandView(BrandStore::shared(), StyleStore::shared(), m_stack);
    case AppRouter::Page::settings:
        return new PreferencesView(ShortcutStore::shared(), HotkeyManager::shared(), StyleStore::shared(),
                                   RecentsStore::shared(), defaults, Greeting::systemSources(), ScreenAccess::system(),
                                   m_stack);
    case AppRouter::Page::editor: return new EmptyEditorView(m_stack);
    case AppRouter::Page::history: break; // made by its visit
    }
    return nullptr;
}

QWidget *AppShellView::pageWidget(AppRouter::Page page) {
    if (page == AppRouter::Page::history) return m_historyView;
    if (page == AppRouter::Page::editor && m_editorView) return m_editorView;
    // Pages are built when first asked for: a resident that mostly captures never shows most of them.
    if (!m_pages.contains(page)) {
        QWidget *made = makePage(page);
        m_stack->addWidget(made);
        m_pages.insert(page, made);
    }
    return m_pages.value(page);
}

void AppShellView::editorChanged(EditorModel *editor) {
    // A new capture gets a new editor view: nothing of the previous one's view state carries over.
    if (m_editorView) {
        m_stack->removeWidget(m_editorView);
        m_editorView->hide();
        m_editorView->deleteLater();
        m_editorView = nullptr;
    }
    if (editor) {
        m_editorView = new EditorView(editor, StyleStore::shared(), BrandStore::shared(), m_stack);
        m_stack->addWidget(m_editorView);
    }
    showPage();
}

void AppShellView::showPage() {
    if (m_router.page() == AppRouter::Page::history) visitHistory();
    // The brand page starts afresh each time it is opened: its notice, tab and preview are kept only
    // while it stays on screen.
    if (QWidget *old = m_pages.value(AppRouter::Page::brand);
        old && m_router.page() == AppRouter::Page::brand && m_stack->currentWidget() != old) {
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
