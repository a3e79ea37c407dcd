#pragma once

#include "app/AppRouter.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class EditorView;
class HistoryView;
class OnboardingView;
class QStackedLayout;
class QStackedWidget;

// The main window's content: the sidebar, a hairline, and the router's current page filling the rest.
// Each page is built when first shown. The editor page is built afresh for every capture opened;
// without one it shows a placeholder. Making the editor page takes longer than a frame, so it is made
// hidden a piece per turn of the event loop, polished and laid out at the page's size, and only then
// put in place; meanwhile the window keeps what it shows, and whoever asks for the page (editorView,
// currentPage, pageWidget) gets it finished on the spot. A page that goes is let go a piece per turn
// too, with the model it showed. The
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
    // The page shown now.
    QWidget *currentPage();
    // The view of a page (for the editor: its page when a capture is open, else the placeholder; for
    // the history: none before its first visit).
    QWidget *pageWidget(AppRouter::Page page);
    EditorView *editorView();

    // Whether the open capture's page is still being made.
    bool isMakingEditor() const { return m_nextEditor != nullptr; }
    // Makes the rest of that page now and puts it in place.
    void finishEditor();

signals:
    // The page being made was put in place (or dropped with its capture).
    void editorSettled();

private:
    void showPage();
    void editorChanged(EditorModel *editor);
    void makeEditorStep();
    void collectPieces(QWidget *widget);
    void drawPieceOffScreen();
    void placeEditor();
    void letGo(EditorView *view);
    void letGoStep();
    void followOnboarding();
    void visitHistory();
    QWidget *makePage(AppRouter::Page page);

    AppRouter &m_router;
    QStackedLayout *m_modes = nullptr;
    QWidget *m_shell = nullptr;
    OnboardingView *m_onboarding = nullptr;
    QStackedWidget *m_stack = nullptr;
    QHash<AppRouter::Page, QWidget *> m_pages; // made on first use; the editor's is its placeholder
    EditorView *m_editorView = nullptr;
    EditorView *m_nextEditor = nullptr; // being made, hidden
    bool m_nextEditorSettled = false;   // made, polished and laid out
    QTimer m_making;
    // The process's first page, drawn once off the screen a piece per turn before it is shown.
    QList<QPointer<QWidget>> m_drawingOffScreen;
    bool m_drewFirstPage = false;
    QList<QPointer<QWidget>> m_goingPages; // off screen, let go a piece per turn
    QTimer m_lettingGo;
    HistoryView *m_historyView = nullptr;
};
