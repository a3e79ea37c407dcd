#pragma once

#include "core/Backdrop.h"
#include "editor_window/InspectorSectionKit.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QLabel;
class QMenu;
class TileGrid;

// One stored backdrop as a swatch, ringed while it is the open image's backdrop (matched by
// identifier). A click uses it, a double click edits it.
class BackdropSwatchTile : public QAbstractButton {
    Q_OBJECT
public:
    explicit BackdropSwatchTile(QWidget *parent = nullptr);
    void setBackdrop(const Backdrop &backdrop);
    const Backdrop &backdrop() const { return m_backdrop; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

signals:
    void doubleClicked();
    void menuRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void describe();

    Backdrop m_backdrop;
    QString m_look; // what the backdrop looks like, as its picture is kept by
    bool m_selected = false;
};

// The backdrops: the current backdrop's name in the header, a six-column grid of the stored backdrops
// and "+" while fewer than twenty are stored, the row that opens the backdrop editor, and the hint. The
// name is "backdropName"; the tiles of the stored backdrops are "backdrop0", "backdrop1", … in order.
class BackdropsSection : public QWidget {
    Q_OBJECT
public:
    BackdropsSection(const InspectorContext &context, QWidget *parent = nullptr);

    // The tiles follow the stored backdrops (reused, never rebuilt).
    void syncBackdrops();
    // The header, the ring and the edit row follow the model's style.
    void syncSelection();

    // The menu of the stored backdrop at `index`; the caller owns it.
    QMenu *createMenu(int index, QWidget *parent);

private:
    // The tiles of the stored backdrops, in order.
    QList<BackdropSwatchTile *> tiles() const;

    const InspectorContext &m_context;
    QLabel *m_name;
    QString m_fullName;
    TileGrid *m_grid;
    QList<BackdropSwatchTile *> m_pool; // the first backdrops().size() are shown
    QAbstractButton *m_newTile;
    QAbstractButton *m_editRow;
};
