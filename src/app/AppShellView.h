#pragma once

#include "app/AppRouter.h"

#include <QHash>
#include <QWidget>

class AppSidebar;
class EditorPage;
class QStackedWidget;

// The main window's content: the sidebar, a hairline, and the router's current page filling the rest.
// The editor page is built afresh for every capture opened; without one it shows a placeholder.
class AppShellView : public QWidget {
    Q_OBJECT
public:
    explicit AppShellView(AppRouter &router, QWidget *parent = nullptr);

    AppSidebar *sidebar() const { return m_sidebar; }
    // The page shown now.
    QWidget *currentPage() const;
    // The view of a page (for the editor: its page when a capture is open, else the placeholder).
    QWidget *pageWidget(AppRouter::Page page) const;
    EditorPage *editorPage() const { return m_editorPage; }

private:
    void showPage();
    void editorChanged(EditorModel *editor);

    AppRouter &m_router;
    AppSidebar *m_sidebar = nullptr;
    QStackedWidget *m_stack = nullptr;
    QHash<AppRouter::Page, QWidget *> m_pages;
    QWidget *m_emptyEditor = nullptr;
    EditorPage *m_editorPage = nullptr;
};
