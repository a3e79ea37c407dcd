#pragma once

#include "history/RecentCapture.h"

#include <QList>
#include <QWidget>

class QHBoxLayout;
class RecentThumbnail;
class RecentsStore;

// The newest captures as a row of tiles of one height, newest first and at the left, at most
// `maxTiles` of them. When the captures change, the tiles of those still listed stay (hover and all).
class RecentTileRow : public QWidget {
    Q_OBJECT
public:
    RecentTileRow(RecentsStore &store, qreal tileHeight, int spacing, int maxTiles, QWidget *parent = nullptr);

    void setItems(const QList<RecentCapture> &items);
    // Newest first.
    QList<RecentThumbnail *> tiles() const;

private:
    RecentsStore &m_store;
    qreal m_tileHeight;
    int m_maxTiles;
    QHBoxLayout *m_tiles;
};
