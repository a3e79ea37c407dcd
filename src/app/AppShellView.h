#pragma once

#include "app/AppRouter.h"

#include <QHash>
#include <QWidget>

class AppSidebar;
class EditorPage;
class HistoryView;
class QStackedWidget;

// The main window's content: the sidebar, a hairline, and the router's current page filling the rest.
// The editor page is built afresh for every capture opened; without one it shows a placeholder. The
// history page is made at its first visit (with the history index, which is never made at start) and
// starts over at every visit.
class AppShellView : public QWidget {
    Q_OBJECT
public:
    explicit AppShellView(AppRouter &router, QWidget *parent = nullptr);

    AppSidebar *sidebar() const { return m_sidebar; }
    // The page shown now.
    QWidget *currentPage() const;
    // The view of a page (for the editor: its page when a capture is open, else the placeholder; for
    // the history: none before its first visit).
    QWidget *pageWidget(AppRouter::Page page) const;
    EditorPage *editorPage() const { return m_editorPage; }
    HistoryView *historyView() const { return m_historyView; }

private:
    void showPage();
    void editorChanged(EditorModel *editor);
    void visitHistory();

    AppRouter &m_router;
    AppSidebar *m_sidebar = nullptr;
    QStackedWidget *m_stack = nullptr;
    QHash<AppRouter::Page, QWidget *> m_pages;
    QWidget *m_emptyEditor = nullptr;
    EditorPage *m_editorPage = nullptr;
    HistoryView *m_historyView = nullptr;
};
