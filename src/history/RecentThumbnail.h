#pragma once

#include "history/RecentCapture.h"

#include <QAbstractButton>

class HoverProgress;
class QMenu;
class RecentsStore;

// The tile of one recent capture, `height` high and 1.45 × `height` wide: its thumbnail fills the tile
// (cut at the edges, never letterboxed); a click opens it in the editor, the pointer over it shows a
// delete button, and its context menu opens, copies, shows in the file manager or deletes it. Every
// action is one call of the store. Until the store has its thumbnail, the tile shows its empty frame.
class RecentThumbnail : public QAbstractButton {
    Q_OBJECT
public:
    RecentThumbnail(RecentsStore &store, const RecentCapture &item, qreal height, QWidget *parent = nullptr);

    const RecentCapture &item() const { return m_item; }
    void setItem(const RecentCapture &item);
    bool isHovering() const;
    // The context menu, as the tile shows it.
    QMenu *createMenu(QWidget *parent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void updateTexts();

    RecentsStore &m_store;
    RecentCapture m_item;
    qreal m_height;
    HoverProgress *m_hover;
    QAbstractButton *m_delete;
};
