#include "app/AppShellView.h"

#include "app/AppSidebar.h"
#include "app/AppWiring.h"
#include "app/HomeView.h"
#include "app/OnboardingView.h"
#include "app/PreferencesView.h"
#include "app/SettingsNotice.h"
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
#include "platform/Tuning.h"
#include "platform/UserDefaults.h"
#include "tutorial_window/TutorialView.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Divider.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

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
        icon->setPixmap(
            Icons::pixmap(QStringLiteral("photo.on.rectangle.angled"), 36, Theme::text3(), devicePixelRatioF()));
        column->addWidget(icon, 0, Qt::AlignHCenter);
        column->addWidget(themedLabel(L("Nenhum print aberto"), Theme::font(15, QFont::Medium), Theme::text(), this), 0,
                          Qt::AlignHCenter);
        column->addWidget(
            themedLabel(L("Capture algo ou abra um recente no Início."), Theme::font(13), Theme::text3(), this), 0,
            Qt::AlignHCenter);
        column->addStretch(1);
    }
};

// A page that goes waits until the one that replaced it has had its first frames.
constexpr int kLetGoDelayMs = 200;

// Lays a hidden page and everything in it out at the page's size, parents before children, so that
// showing it has nothing left to lay out.
void layOutHidden(QWidget &widget) {
    if (QLayout *layout = widget.layout()) layout->activate();
    for (QObject *child : widget.children())
        if (auto *inner = qobject_cast<QWidget *>(child); inner && !inner->isWindow()) layOutHidden(*inner);
}

} // namespace

AppShellView::AppShellView(AppRouter &router, QWidget *parent) : QWidget(parent), m_router(router) {
    setObjectName(QStringLiteral("appShell"));
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // Above the onboarding as above the pages: a settings file that could not be read brings the
    // onboarding back, and the user learns why.
    column->addWidget(new SettingsNotice(defaults, this));
    m_modes = new QStackedLayout;
    column->addLayout(m_modes, 1);
    m_shell = new QWidget(this);
    m_modes->addWidget(m_shell);
    auto *row = new QHBoxLayout(m_shell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(new AppSidebar(router, ShortcutStore::shared(), TutorialStore::shared(), defaults, m_shell));
    row->addWidget(new Divider(Qt::Vertical, m_shell));
    m_stack = new QStackedWidget(m_shell);
    row->addWidget(m_stack, 1);

    m_making.setSingleShot(true);
    m_making.setInterval(0);
    connect(&m_making, &QTimer::timeout, this, &AppShellView::makeEditorStep);
    m_lettingGo.setSingleShot(true);
    connect(&m_lettingGo, &QTimer::timeout, this, &AppShellView::letGoStep);
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
    m_onboarding = new OnboardingView(ShortcutStore::shared(), HotkeyManager::shared(), defaults, this);
    m_modes->addWidget(m_onboarding);
    m_modes->setCurrentWidget(m_onboarding);
}

QWidget *AppShellView::currentPage() {
    finishEditor();
    return m_stack->currentWidget();
}

EditorView *AppShellView::editorView() {
    finishEditor();
    return m_editorView;
}

QWidget *AppShellView::makePage(AppRouter::Page page) {
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    switch (page) {
    case AppRouter::Page::home: return new HomeView(ShortcutStore::shared(), RecentsStore::shared(), defaults, m_stack);
    case AppRouter::Page::tutorial:
        return new TutorialView(TutorialStore::shared(), ShortcutStore::shared(), BrandStore::shared(), m_stack);
    case AppRouter::Page::brand: return new BrandView(BrandStore::shared(), StyleStore::shared(), m_stack);
    case AppRouter::Page::settings:
        return new PreferencesView(ShortcutStore::shared(), HotkeyManager::shared(), StyleStore::shared(),
                                   RecentsStore::shared(), defaults, m_stack);
    case AppRouter::Page::editor: return new EmptyEditorView(m_stack);
    case AppRouter::Page::history: break; // made by its visit
    }
    return nullptr;
}

QWidget *AppShellView::pageWidget(AppRouter::Page page) {
    if (page == AppRouter::Page::history) return m_historyView;
    if (page == AppRouter::Page::editor) finishEditor();
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
    // A view of the previous capture keeps its model until the view goes (the router lets go of a
    // model no view took).
    for (EditorView *view : {m_editorView, m_nextEditor})
        if (EditorModel *shown = view ? view->model() : nullptr; shown && shown != editor && !shown->parent())
            shown->setParent(view);
    if (m_nextEditor) letGo(std::exchange(m_nextEditor, nullptr));
    m_making.stop();
    m_drawingOffScreen.clear();
    if (!editor) {
        if (m_editorView) letGo(std::exchange(m_editorView, nullptr));
        showPage();
        emit editorSettled();
        return;
    }
    m_nextEditor =
        new EditorView(editor, StyleStore::shared(), BrandStore::shared(), m_stack, EditorView::Build::inSteps);
    m_nextEditorSettled = false;
    m_stack->addWidget(m_nextEditor);
    m_making.start();
    showPage();
}

void AppShellView::makeEditorStep() {
    if (!m_nextEditor) return;
    if (!m_nextEditor->isBuilt()) {
        m_nextEditor->buildStep();
    } else if (!m_nextEditorSettled) {
        m_nextEditor->ensurePolished();
        m_nextEditor->resize(m_stack->size());
        layOutHidden(*m_nextEditor);
        m_nextEditorSettled = true;
        if (!std::exchange(m_drewFirstPage, true) && platform::Tuning::enabled(platform::Tuning::Measure::firstPage))
            collectPieces(m_nextEditor);
    } else if (!m_drawingOffScreen.isEmpty()) {
        drawPieceOffScreen();
    } else {
        placeEditor();
        return;
    }
    m_making.start();
}

void AppShellView::collectPieces(QWidget *widget) {
    for (QObject *child : widget->children()) {
        auto *piece = qobject_cast<QWidget *>(child);
        if (!piece || piece->isHidden() || piece->isWindow()) continue;
        // A bare container is drawn a child at a time.
        if (piece->metaObject() == &QWidget::staticMetaObject) collectPieces(piece);
        else m_drawingOffScreen.append(piece);
    }
}

void AppShellView::drawPieceOffScreen() {
    // The first page of the process draws everything for the first time: icons from their files,
    // fonts, laid-out texts, glyphs, kept pictures. Drawn here while hidden, a piece per turn, the
    // first frame on the screen finds them ready, as every later one does.
    const QPointer<QWidget> piece = m_drawingOffScreen.takeFirst();
    if (!piece || piece->size().isEmpty()) return;
    const qreal ratio = piece->devicePixelRatioF();
    QImage scratch(piece->size() * ratio, piece->window()->testAttribute(Qt::WA_TranslucentBackground)
                                              ? QImage::Format_ARGB32_Premultiplied
                                              : QImage::Format_RGB32);
    scratch.setDevicePixelRatio(ratio);
    piece->render(&scratch);
}

void AppShellView::finishEditor() {
    if (!m_nextEditor) return;
    m_nextEditor->finishBuilding();
    placeEditor();
}

void AppShellView::placeEditor() {
    m_making.stop();
    m_drawingOffScreen.clear();
    EditorView *previous = std::exchange(m_editorView, std::exchange(m_nextEditor, nullptr));
    showPage();
    if (previous) letGo(previous);
    emit editorSettled();
}

void AppShellView::letGo(EditorView *view) {
    m_stack->removeWidget(view);
    view->hide();
    // Out of the page's area: a child that goes repaints the area it had in its parent, even hidden.
    view->resize(0, 0);
    // Its capture is no longer anyone's: nothing it does reaches the pieces while they go.
    if (EditorModel *model = view->model(); model && model->parent() == view)
        QObject::disconnect(model, nullptr, nullptr, nullptr);
    m_goingPages.append(view);
    if (!m_lettingGo.isActive()) m_lettingGo.start(kLetGoDelayMs);
}

void AppShellView::letGoStep() {
    // One piece a turn (a bar, the work area, the model it took): the whole page at once would hold a
    // frame.
    while (!m_goingPages.isEmpty() && !m_goingPages.first()) m_goingPages.removeFirst();
    if (m_goingPages.isEmpty()) return;
    QWidget *page = m_goingPages.first();
    if (page->children().isEmpty()) {
        m_goingPages.removeFirst();
        delete page;
    } else {
        delete page->children().first();
    }
    m_lettingGo.start(0);
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
    // While a capture's page is being made the window keeps what it shows: the page takes its place
    // when it is whole.
    if (m_router.page() == AppRouter::Page::editor && m_nextEditor) return;
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
