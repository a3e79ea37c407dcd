#include "brand_window/BrandBackdropsCard.h"

#include "brand/BrandStore.h"
#include "brand_window/BrandControls.h"
#include "core/Localization.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

BrandBackdropsCard::BrandBackdropsCard(BrandStore &brand, QWidget *parent)
    : BrandKitCard(brand, L("Fundos da marca"), L("Clique num fundo para editar tipo, cores e direção."), 14, parent) {
    auto *tiles = new QHBoxLayout;
    tiles->setSpacing(10);
    for (const Backdrop &backdrop : brand.backdrops()) {
        auto *tile = new BackdropTile(backdrop, false, this);
        connect(tile, &QAbstractButton::clicked, this, [this, tile] { emit backdropClicked(tile->backdrop().id); });
        tiles->addWidget(tile);
        m_tiles << tile;
    }
    content()->addLayout(tiles);
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(themedLabel(L("Mostrar no Editor"), Theme::font(13), Theme::text(), this));
    texts->addWidget(
        themedLabel(L("Na lista de fundos e no botão direito do print"), Theme::font(11), Theme::text3(), this));
    row->addLayout(texts, 1);
    m_editorSwitch = new BrandSwitch(this);
    m_editorSwitch->setAccessibleName(L("Mostrar no Editor"));
    connect(m_editorSwitch, &QAbstractButton::clicked, this, &BrandBackdropsCard::setBackdropsInEditor);
    row->addWidget(m_editorSwitch);
    content()->addLayout(row);
    m_resetBackdrops = borderlessButton(L("Voltar aos fundos gerados pelas cores"), Theme::accent(), this);
    m_resetBackdrops->setToolTip(L("Desfaz as edições e gera os três fundos de novo a partir das cores da marca"));
    connect(m_resetBackdrops, &QPushButton::clicked, this,
            [this] { writeKit([](BrandKit &k) { k.customBackdrops.reset(); }); });
    content()->addWidget(m_resetBackdrops);
}

void BrandBackdropsCard::setBackdropsInEditor(bool on) {
    if (!on) {
        brand().removeBackdropsFromEditor();
    } else {
        const int n = brand().addBackdropsToEditor();
        if (n == 0)
            emit noticeRaised({L(LKey("A lista de fundos está cheia (%@). Apague algum no Editor e tente de novo.",
                                      {QStringLiteral("20")})),
                               true, std::nullopt});
        else if (n < 3)
            emit noticeRaised({n == 1 ? L("Entrou 1 de 3 fundos: a lista de fundos ficou cheia.")
                                      : L(LKey("Entraram %@ de 3 fundos: a lista de fundos ficou cheia.",
                                               {QString::number(n)})),
                               true, std::nullopt});
    }
    refresh();
}

void BrandBackdropsCard::sync() {
    const QList<Backdrop> backdrops = brand().backdrops();
    for (int i = 0; i < m_tiles.size() && i < backdrops.size(); ++i) m_tiles[i]->setBackdrop(backdrops[i]);
    m_editorSwitch->setChecked(brand().backdropsInEditor());
    m_resetBackdrops->setVisible(brand().kit().customBackdrops.has_value());
}
