#include "app/AppShell.h"

#include "app/HomePage.h"
#include "app/PagePlaceholder.h"
#include "app/ShortcutsSection.h"
#include "core/Localization.h"
#include "editor_window/EditorPage.h"

AppShell::AppShell(AppRouter &router, QWidget *parent) : QStackedWidget(parent), m_router(router) {
    m_editorPage = new EditorPage(this);
    m_pages = {
        {AppRouter::Page::home, new HomePage(this)},
        {AppRouter::Page::editor, m_editorPage},
        {AppRouter::Page::history, new PagePlaceholder(L("Histórico"), this)},
        {AppRouter::Page::tutorial, new PagePlaceholder(L("Tutoriais"), this)},
        {AppRouter::Page::brand, new PagePlaceholder(L("Marca"), this)},
        {AppRouter::Page::settings, new SettingsPage(this)},
    };
    for (QWidget *page : std::as_const(m_pages)) addWidget(page);
    m_editorPage->setModel(router.editor());
    connect(&router, &AppRouter::editorChanged, m_editorPage, &EditorPage::setModel);
    connect(&router, &AppRouter::pageChanged, this, &AppShell::showPage);
    showPage(router.page());
}

void AppShell::showPage(AppRouter::Page page) { setCurrentWidget(m_pages.value(page)); }
