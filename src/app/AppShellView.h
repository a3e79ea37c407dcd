#pragma once

#include "app/AppRouter.h"

#include <QHash>
#include <QWidget>

class AppSidebar;
class EditorView;
class HistoryView;
class OnboardingView;
class QStackedLayout;
class QStackedWidget;

// The main window's content: the sidebar, a hairline, and the router's current page filling the rest.
// Each page is built when first shown. The editor page is built afresh for every capture opened;
// without one it shows a placeholder. The
// history page is made at its first visit (with the history index, which is never made at start) and
// starts over at every visit.
// Until "hasCompletedOnboarding" is set, the first-run onboarding fills the whole window instead; it
// follows the setting at every change, so the shell appears as the onboarding ends and a fresh
// onboarding as the settings ask to see it again.
class AppShellView : public QWidget {
    Q_OBJECT
public:
    explicit AppShellView(AppRouter &router, QWidget *parent = nullptr);

    // The onboarding while it shows, else null.
    OnboardingView *onboarding() const { return m_onboarding; }
    AppSidebar *sidebar() const { return m_sidebar; }
    // The page shown now.
    QWidget *currentPage() const;
    // The view of a page (for the editor: its page when a capture is open, else the placeholder; for
    // the history: none before its first visit).
    QWidget *pageWidget(AppRouter::Page page);
    EditorView *editorView() const { return m_editorView; }
    HistoryView *historyView() const { return m_historyView; }

private:
    void showPage();
    void editorChanged(EditorModel *editor);
    void followOnboarding();
    void visitHistory();
    QWidget *makePage(AppRouter::Page page);

    AppRouter &m_router;
    QStackedLayout *m_modes = nullptr;
    QWidget *m_shell = nullptr;
    OnboardingView *m_onboarding = nullptr;
    AppSidebar *m_sidebar = nullptr;
    QStackedWidget *m_stack = nullptr;
    QHash<AppRouter::Page, QWidget *> m_pages; // made on first use; the editor's is its placeholder
    EditorView *m_editorView = nullptr;
    HistoryView *m_historyView = nullptr;
};
