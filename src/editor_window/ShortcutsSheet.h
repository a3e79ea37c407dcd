#pragma once

#include "editor_window/EditorOverlay.h"

#include <QList>
#include <QStringList>

// The editor's key map over the page: a centred card titled "Atalhos do Editor" with the editor's keys
// in three columns, or, on a page too narrow for them, the last two stacked beside the first. It
// changes nothing; a click on the dimmed layer and any key (through the editor's key table) close it.
class ShortcutsSheet : public EditorOverlay {
    Q_OBJECT
public:
    struct Item {
        QStringList keys; // one cap each, as this keyboard names the keys
        QString text;
    };
    struct ShortcutGroup {
        QString title;
        QList<Item> items;
    };

    // The table in the current language: "Ferramentas", "Ações", "Estilo e ver".
    static QList<ShortcutGroup> groups();

    ShortcutsSheet(std::function<void()> dismiss, QWidget *parent);

protected:
    QRect cardRect() const override;
    qreal cardRadius() const override { return 18; }
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *column(const ShortcutGroup &group);
    void arrange(bool stacked);

    QWidget *m_card;
    QList<QWidget *> m_columns;
    class QGridLayout *m_grid = nullptr;
    bool m_stacked = false;
    int m_wideWidth = 0; // the card with its columns side by side
};
