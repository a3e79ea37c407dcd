#pragma once

#include "app/AppRouter.h"

#include <QHash>
#include <QStackedWidget>

class EditorPage;

// The main window's content: one page per router page, the router's page on top. Each page is its own
// widget so that it can be replaced on its own.
class AppShell : public QStackedWidget {
    Q_OBJECT
public:
    explicit AppShell(AppRouter &router, QWidget *parent = nullptr);
    QWidget *pageWidget(AppRouter::Page page) const { return m_pages.value(page); }
    EditorPage *editorPage() const { return m_editorPage; }

private:
    void showPage(AppRouter::Page page);

    AppRouter &m_router;
    QHash<AppRouter::Page, QWidget *> m_pages;
    EditorPage *m_editorPage;
};
