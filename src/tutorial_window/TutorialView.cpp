#include "tutorial_window/TutorialView.h"

#include "core/Localization.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/TutorialDetailView.h"
#include "tutorial_window/TutorialLibraryView.h"
#include "tutorials/TutorialStore.h"

#include <QStackedWidget>
#include <QVBoxLayout>

TutorialView::TutorialView(TutorialStore &store, ShortcutStore &shortcuts, BrandStore &brand, QWidget *parent)
    : QWidget(parent), m_store(store), m_loader(new PictureLoader(this)) {
    setAccessibleName(L("Tutoriais"));
    setFocusPolicy(Qt::ClickFocus);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    m_library = new TutorialLibraryView(store, shortcuts, *m_loader, m_stack);
    m_detail = new TutorialDetailView(store, brand, shortcuts, *m_loader, m_stack);
    m_stack->addWidget(m_library);
    m_stack->addWidget(m_detail);
    column->addWidget(m_stack);
    connect(&store, &TutorialStore::currentIDChanged, this, &TutorialView::follow);
    follow();
}

void TutorialView::follow() {
    // The page itself takes the keyboard, so that no field starts out editing.
    setFocus();
    if (m_store.currentID()) {
        m_stack->setCurrentWidget(m_detail);
        return;
    }
    // Back to the library, as new: the search starts empty.
    if (m_stack->currentWidget() != m_library) m_library->setQuery(QString());
    m_stack->setCurrentWidget(m_library);
}
