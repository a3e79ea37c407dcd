#pragma once

#include <QList>
#include <QWidget>

// Tiles of one height in equal-width columns, filled row by row, with one spacing between columns and
// rows. The grid's height follows the number of tiles; tiles keep whatever else they are.
class TileGrid : public QWidget {
    Q_OBJECT
public:
    TileGrid(int columns, int tileHeight, int spacing, QWidget *parent = nullptr);

    // The tiles shown, in order; they become the grid's children and are shown. Tiles of the grid
    // left out are hidden, not deleted.
    void setTiles(const QList<QWidget *> &tiles);
    const QList<QWidget *> &tiles() const { return m_tiles; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int rows() const;
    void place();

    int m_columns;
    int m_tileHeight;
    int m_spacing;
    QList<QWidget *> m_tiles;
};
