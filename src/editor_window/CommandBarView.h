#pragma once

#include "editor_window/EditorOverlay.h"

#include <QPointer>

class CommandList;
class EditorModel;
class QLineEdit;
class QPropertyAnimation;
class QScrollArea;

// The editor's command palette over the page: a 620-wide card 110 below the top with the search field
// (bound to the model's query and focused as the bar appears), the matching commands grouped under
// their headers, and a footer of key hints. It owns no data: rows, query and selection are the
// model's, and its keys are the editor's key table's. A click on a row selects and runs it; a click on
// the dimmed layer closes the bar and runs nothing. The list follows the selection in 0.1 s.
class CommandBarView : public EditorOverlay {
    Q_OBJECT
public:
    static constexpr int cardWidth = 620, cardTop = 110, maxListHeight = 380;

    CommandBarView(EditorModel *model, QWidget *parent);

    QLineEdit *searchField() const { return m_field; }

protected:
    QRect cardRect() const override;
    qreal cardRadius() const override { return 16; }
    void appeared() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *searchRow();
    QWidget *footer();
    void refresh();
    void selectionChanged();
    void scrollToSelection();
    void placeCard();

    QPointer<EditorModel> m_model;
    QWidget *m_card;
    QLineEdit *m_field = nullptr;
    QScrollArea *m_scroll = nullptr;
    CommandList *m_list = nullptr;
    QPropertyAnimation *m_scrollAnimation = nullptr;
};
