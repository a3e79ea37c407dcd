#include "brand_window/BrandScreenshotLogoCard.h"

#include "brand/BrandStore.h"
#include "brand_window/BrandControls.h"
#include "brand_window/PositionPicker.h"
#include "core/Localization.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

BrandScreenshotLogoCard::BrandScreenshotLogoCard(BrandStore &brand, QWidget *parent)
    : BrandKitCard(brand, L("Logo nos prints"), L("Vai na margem de todo print embelezado."), 18, parent) {
    m_logoSwitch = new BrandSwitch(this);
    m_logoSwitch->setAccessibleName(L("Logo nos prints"));
    connect(m_logoSwitch, &QAbstractButton::clicked, this,
            [this](bool on) { writeKit([&](BrandKit &k) { k.logoOnScreenshots = on; }); });
    setAccessory(m_logoSwitch);
    m_noLogoLine = themedLabel(L("Adicione um logo no primeiro cartão para usar esta opção."), Theme::font(12),
                               Theme::text3(), this);
    m_noLogoLine->setWordWrap(true);
    content()->addWidget(m_noLogoLine);

    m_printBlocks = new QWidget(this);
    auto *blocks = new QVBoxLayout(m_printBlocks);
    blocks->setContentsMargins(0, 0, 0, 0);
    blocks->setSpacing(18);
    auto *top = new QHBoxLayout;
    top->setSpacing(18);
    auto *position = new QVBoxLayout;
    position->setSpacing(8);
    position->addWidget(new FieldLabel(L("Posição"), m_printBlocks));
    m_positionPicker = new PositionPicker(m_printBlocks);
    connect(m_positionPicker, &PositionPicker::picked, this,
            [this](LogoPosition p) { writeKit([&](BrandKit &k) { k.logoPosition = p; }); });
    position->addWidget(m_positionPicker);
    top->addLayout(position);
    auto *sizeColumn = new QVBoxLayout;
    sizeColumn->setSpacing(8);
    sizeColumn->addWidget(new FieldLabel(L("Tamanho"), m_printBlocks));
    auto *sizes = new QVBoxLayout;
    sizes->setSpacing(6);
    sizeColumn->addLayout(sizes);
    const QString sizeTitles[] = {L("Pequeno"), L("Médio"), L("Grande")};
    for (LogoSize size : LogoSizes::all) {
        auto *chip = new OptionChip(sizeTitles[int(size)], {}, m_printBlocks);
        connect(chip, &QAbstractButton::clicked, this,
                [this, size] { writeKit([&](BrandKit &k) { k.logoSize = size; }); });
        sizes->addWidget(chip);
        m_sizeChips << chip;
    }
    sizeColumn->addStretch(1);
    top->addLayout(sizeColumn, 1);
    blocks->addLayout(top);
    auto *versions = new QVBoxLayout;
    versions->setSpacing(8);
    versions->addWidget(new FieldLabel(L("Versão do logo"), m_printBlocks));
    auto *grid = new QGridLayout;
    grid->setSpacing(6);
    for (int column = 0; column < 3; ++column) grid->setColumnStretch(column, 1);
    const QString variantTitles[] = {L("Original"), L("Automático"), L("Branco"), L("Cinza"), L("Preto")};
    for (LogoVariant variant : LogoVariants::all) {
        auto *chip = new OptionChip(variantTitles[int(variant)], {}, m_printBlocks);
        chip->setToolTip(LogoVariants::help(variant));
        connect(chip, &QAbstractButton::clicked, this,
                [this, variant] { writeKit([&](BrandKit &k) { k.logoVariant = variant; }); });
        grid->addWidget(chip, int(variant) / 3, int(variant) % 3);
        m_variantChips << chip;
    }
    versions->addLayout(grid);
    QLabel *guides =
        themedLabel(L("Vale também para o logo no topo dos guias."), Theme::font(11), Theme::text3(), m_printBlocks);
    guides->setWordWrap(true);
    versions->addWidget(guides);
    blocks->addLayout(versions);
    QLabel *margin = themedLabel(L("Com margem menor que 20 pt o logo não cabe e não aparece."), Theme::font(11),
                                 Theme::text3(), m_printBlocks);
    margin->setWordWrap(true);
    blocks->addWidget(margin);
    content()->addWidget(m_printBlocks);
}

void BrandScreenshotLogoCard::sync() {
    const BrandKit &kit = brand().kit();
    const bool has = !brand().logo().isNull();
    m_logoSwitch->setChecked(kit.logoOnScreenshots);
    m_logoSwitch->setEnabled(has);
    m_logoSwitch->setToolTip(has ? L("Ligar ou desligar o logo nos prints") : L("Adicione um logo primeiro"));
    m_noLogoLine->setVisible(!has);
    m_printBlocks->setVisible(has);
    m_printBlocks->setEnabled(kit.logoOnScreenshots);
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(m_printBlocks->graphicsEffect());
    if (!fade) m_printBlocks->setGraphicsEffect(fade = new QGraphicsOpacityEffect(m_printBlocks));
    fade->setOpacity(kit.logoOnScreenshots ? 1.0 : 0.45);
    m_positionPicker->setPosition(kit.logoPosition);
    for (int i = 0; i < m_sizeChips.size(); ++i) m_sizeChips[i]->setChecked(LogoSizes::all[i] == kit.logoSize);
    for (int i = 0; i < m_variantChips.size(); ++i) {
        const LogoVariant variant = LogoVariants::all[i];
        m_variantChips[i]->setChecked(variant == kit.logoVariant);
        m_variantChips[i]->setSwatch([variant, kit](QPainter &p, const QRectF &r) {
            paintVariantSwatch(p, r, variant, kit.primary, kit.secondary);
        });
    }
}
