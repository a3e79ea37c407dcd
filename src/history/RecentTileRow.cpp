#include "history/RecentTileRow.h"

#include "history/RecentThumbnail.h"

#include <QHBoxLayout>
#include <QtMath>

#include <algorithm>

RecentTileRow::RecentTileRow(RecentsStore &store, qreal tileHeight, int spacing, int maxTiles, QWidget *parent)
    : QWidget(parent), m_store(store), m_tileHeight(tileHeight), m_maxTiles(maxTiles), m_tiles(new QHBoxLayout(this)) {
    setFixedHeight(qCeil(tileHeight));
    m_tiles->setContentsMargins(0, 0, 0, 0);
    m_tiles->setSpacing(spacing);
    m_tiles->addStretch(1);
}

QList<RecentThumbnail *> RecentTileRow::tiles() const {
    QList<RecentThumbnail *> tiles;
    for (int i = 0; i < m_tiles->count(); ++i)
        if (auto *tile = qobject_cast<RecentThumbnail *>(m_tiles->itemAt(i)->widget())) tiles.append(tile);
    return tiles;
}

void RecentTileRow::setItems(const QList<RecentCapture> &items) {
    QList<RecentThumbnail *> old = tiles();
    while (m_tiles->count() > 0) delete m_tiles->takeAt(0);
    for (const RecentCapture &item : items.mid(0, m_maxTiles)) {
        const auto kept =
            std::find_if(old.begin(), old.end(), [&](RecentThumbnail *t) { return t->item().path == item.path; });
        RecentThumbnail *tile = nullptr;
        if (kept != old.end()) {
            tile = *kept;
            old.erase(kept);
            tile->setItem(item);
        } else {
            tile = new RecentThumbnail(m_store, item, m_tileHeight, this);
        }
        m_tiles->addWidget(tile);
    }
    m_tiles->addStretch(1);
    // A tile may be in the middle of its own click (its file was just deleted): it goes afterwards.
    for (RecentThumbnail *gone : old) {
        gone->hide();
        gone->deleteLater();
    }
}
