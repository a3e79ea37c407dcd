#pragma once

#include <QWidget>

class BrandStore;
class PictureLoader;
class QStackedWidget;
class ShortcutStore;
class TutorialDetailView;
class TutorialLibraryView;
class TutorialStore;

// The tutorials page of the main window: the library while no tutorial is open, the open tutorial
// otherwise, following the store.
class TutorialView : public QWidget {
    Q_OBJECT
public:
    TutorialView(TutorialStore &store, ShortcutStore &shortcuts, BrandStore &brand, QWidget *parent = nullptr);

private:
    void follow();

    TutorialStore &m_store;
    PictureLoader *m_loader;
    QStackedWidget *m_stack;
    TutorialLibraryView *m_library;
    TutorialDetailView *m_detail;
};
