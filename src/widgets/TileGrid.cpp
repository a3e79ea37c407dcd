#include "widgets/TileGrid.h"

TileGrid::TileGrid(int columns, int tileHeight, int spacing, QWidget *parent)
    : QWidget(parent), m_columns(std::max(1, columns)), m_tileHeight(tileHeight), m_spacing(spacing) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TileGrid::setTiles(const QList<QWidget *> &tiles) {
    const int oldRows = rows();
    for (QWidget *tile : m_tiles)
        if (!tiles.contains(tile)) tile->hide();
    m_tiles = tiles;
    for (QWidget *tile : m_tiles) {
        if (tile->parentWidget() != this) tile->setParent(this);
    }
    place();
    for (QWidget *tile : m_tiles) tile->show();
    if (rows() != oldRows) updateGeometry();
}

int TileGrid::rows() const { return int((m_tiles.size() + m_columns - 1) / m_columns); }

QSize TileGrid::sizeHint() const {
    const int n = rows();
    return {m_columns * 20 + (m_columns - 1) * m_spacing, n == 0 ? 0 : n * m_tileHeight + (n - 1) * m_spacing};
}

QSize TileGrid::minimumSizeHint() const { return sizeHint(); }

void TileGrid::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    place();
}

void TileGrid::place() {
    const qreal each = qreal(width() - (m_columns - 1) * m_spacing) / m_columns;
    for (qsizetype i = 0; i < m_tiles.size(); ++i) {
        const int column = int(i % m_columns);
        const int row = int(i / m_columns);
        const int left = qRound(column * (each + m_spacing));
        const int right = qRound(column * (each + m_spacing) + each);
        m_tiles[i]->setGeometry(left, row * (m_tileHeight + m_spacing), right - left, m_tileHeight);
    }
}
