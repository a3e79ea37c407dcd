#pragma once

#include "tutorials/Tutorial.h"

#include <QWidget>

class BrandStore;
class QAbstractButton;
class QLabel;
class EllipsisLineEdit;
class QMenu;
class QPushButton;
class ShortcutStore;
class ToolbarButton;
class TutorialStore;

// The bar above an open tutorial, 72 high: back to the library, the title field and its summary, the
// record button and, once there are steps, the guide's theme, the export menu and "Copiar guia"; last
// the delete button. Every control is one call on the tutorial store or the exporter. Where the buttons
// would leave the title too little room, they take a second row below it. The guide's theme chips are
// named "theme:" and the theme's stored name ("theme:dark"), hidden while not offered.
class TutorialDetailHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int oneRowHeight = 72;
    static constexpr int titleRowHeight = 64;
    static constexpr int actionsRowHeight = 44;

    TutorialDetailHeader(TutorialStore &store, BrandStore &brand, ShortcutStore &shortcuts, QWidget *parent = nullptr);

    // Reads the open tutorial, the recording flag, the brand and the shortcut again.
    void refresh();
    // Asks before deleting the open tutorial; deletes it when the answer is "Excluir".
    void confirmDelete();

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut();
    QWidget *makeThemePicker();
    void chooseTheme(TutorialTheme theme);

    TutorialStore &m_store;
    BrandStore &m_brand;
    ShortcutStore &m_shortcuts;
    QPushButton *m_back;
    EllipsisLineEdit *m_title;
    QLabel *m_summary;
    ToolbarButton *m_record;
    QWidget *m_themes;
    QList<QAbstractButton *> m_themeButtons; // in the order of allTutorialThemes
    QPushButton *m_export;
    QMenu *m_exportMenu;
    ToolbarButton *m_copy;
    ToolbarButton *m_delete;
};
