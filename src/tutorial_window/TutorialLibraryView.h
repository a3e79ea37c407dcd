#pragma once

#include "tutorials/Tutorial.h"

#include <QList>
#include <QWidget>

class PictureLoader;
class QLabel;
class QLineEdit;
class QScrollArea;
class QStackedWidget;
class ShortcutStore;
class ToolbarButton;
class TutorialLibraryGrid;
class TutorialStore;

// The tutorials page while none is open: a header with the count, the search field, "Novo tutorial"
// and "Gravar novo", then the grid of cards, the "no results" line or, for an empty library, the
// invitation to record the first one. The search text is the view's only state.
class TutorialLibraryView : public QWidget {
    Q_OBJECT
public:
    TutorialLibraryView(TutorialStore &store, ShortcutStore &shortcuts, PictureLoader &loader,
                        QWidget *parent = nullptr);

    // The tutorials of `library` matching `query`, in library order: the query without surrounding
    // spaces and tabs is looked for in each title, then in each step's title and description, ignoring
    // letter case but not accents. A blank query matches all.
    static QList<Tutorial> results(const QList<Tutorial> &library, const QString &query);

    QString query() const;
    void setQuery(const QString &query);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *makeHeader();
    QWidget *makeEmptyState();
    void refresh();
    void refreshShortcut();

    TutorialStore &m_store;
    ShortcutStore &m_shortcuts;
    QLabel *m_count = nullptr;
    QLineEdit *m_search = nullptr;
    ToolbarButton *m_new = nullptr;
    ToolbarButton *m_record = nullptr;
    QStackedWidget *m_content;
    QWidget *m_empty;
    QLabel *m_noResults;
    QScrollArea *m_scroll;
    TutorialLibraryGrid *m_grid;
};
