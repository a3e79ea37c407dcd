#pragma once

#include "brand_window/BrandCard.h"

#include <QList>

class BackdropTile;
class BrandSwitch;

// The "Fundos da marca" card: a tile for each brand backdrop, "Mostrar no Editor" that puts them in the
// editor's list or takes them out, and, once one was edited, the way back to those the colours make.
class BrandBackdropsCard : public BrandKitCard {
    Q_OBJECT
public:
    explicit BrandBackdropsCard(BrandStore &brand, QWidget *parent = nullptr);

    // "Mostrar no Editor": puts the brand backdrops in the editor's list or takes them out.
    void setBackdropsInEditor(bool on);

signals:
    // A tile was clicked: the page opens the backdrop sheet on it.
    void backdropClicked(const QString &id);

protected:
    void sync() override;

private:
    QList<BackdropTile *> m_tiles;
    BrandSwitch *m_editorSwitch = nullptr;
    QPushButton *m_resetBackdrops = nullptr;
};
