// The cards and the preview column of the brand page: how each is built and how it follows the state.
#include "brand/BrandImporter.h"
#include "brand/BrandStore.h"
#include "brand/art/LogoArt.h"
#include "brand_window/BrandCard.h"
#include "brand_window/BrandControls.h"
#include "brand_window/BrandGuidePreview.h"
#include "brand_window/BrandPreviewShot.h"
#include "brand_window/BrandView.h"
#include "brand_window/LogoDropZone.h"
#include "brand_window/PositionPicker.h"
#include "core/ColorValue.h"
#include "core/FontFamily.h"
#include "core/Localization.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/ColorPanelBridge.h"
#include "editor_window/HexField.h"
#include "widgets/Buttons.h"
#include "widgets/Segmented.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/WheelGuard.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QPainter>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace {

struct ColorRole {
    QString title;
    QString help;
    quint32 BrandKit::*field;
};
// The four role colours in display order, their texts looked up now.
QList<ColorRole> colorRoles() {
    return {{L("Principal"), L("Números dos passos, marcadores e destaques"), &BrandKit::primary},
            {L("Secundária"), L("Segunda cor dos fundos da marca"), &BrandKit::secondary},
            {L("Fundo"), L("Fundo das páginas do guia"), &BrandKit::background},
            {L("Texto"), L("Títulos e explicações do guia"), &BrandKit::text}};
}

QLineEdit *plainField(const QString &placeholder, QWidget *parent) {
    auto *field = new QLineEdit(parent);
    field->setPlaceholderText(placeholder);
    field->setFont(Theme::font(13));
    field->setFixedHeight(32);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 8px;"
                                        " padding: 0 10px; }")
                             .arg(Theme::raised().name(), Theme::text().name(), Theme::line().name(QColor::HexArgb)));
    return field;
}

QPushButton *borderless(const QString &text, const QColor &color, QWidget *parent) {
    auto *button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(Theme::font(12));
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; text-align: left; }").arg(color.name()));
    return button;
}

QWidget *hairline(QWidget *parent) {
    auto *line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Theme::line());
    line->setPalette(palette);
    return line;
}

} // namespace

BrandCard *BrandView::buildLogoCard() {
    auto *card = new BrandCard(L("Logo e nome"), L("As cores do logo viram as cores da marca na hora."), 14);
    m_dropZone = new LogoDropZone(card);
    connect(m_dropZone, &LogoDropZone::clicked, this, &BrandView::chooseLogo);
    connect(m_dropZone, &LogoDropZone::fileDropped, this, &BrandView::loadLogo);
    card->content()->addWidget(m_dropZone);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    m_chooseButton = new SecondaryButton(L("Escolher arquivo…"), card);
    connect(m_chooseButton, &QPushButton::clicked, this, &BrandView::chooseLogo);
    buttons->addWidget(m_chooseButton);
    m_removeButton = borderless(L("Remover"), Theme::text3(), card);
    connect(m_removeButton, &QPushButton::clicked, this, [this] { m_brand.removeLogo(); });
    buttons->addWidget(m_removeButton);
    buttons->addStretch(1);
    card->content()->addLayout(buttons);
    QLabel *hint = themedLabel(L("PNG, SVG, PDF, AI, EPS, JPEG, WebP ou HEIC. Fundo liso sai sozinho."), Theme::font(11),
                               Theme::text3(), card);
    hint->setWordWrap(true);
    card->content()->addWidget(hint);
    card->content()->addSpacing(4);
    auto *name = new QVBoxLayout;
    name->setSpacing(6);
    name->addWidget(new FieldLabel(L("Nome da marca"), card));
    m_nameField = plainField(L("Ex.: ACME"), card);
    connect(m_nameField, &QLineEdit::textEdited, this, [this](const QString &t) { writeKit([&](BrandKit &k) { k.name = t; }); });
    name->addWidget(m_nameField);
    card->content()->addLayout(name);
    return card;
}

BrandCard *BrandView::buildColorsCard() {
    auto *card = new BrandCard(L("Cores"), L("Clique no quadrado para abrir a paleta, ou cole um código."), 14);
    m_logoColorsRow = new QWidget(card);
    auto *strip = new QVBoxLayout(m_logoColorsRow);
    strip->setContentsMargins(0, 0, 0, 4);
    strip->setSpacing(8);
    strip->addWidget(new FieldLabel(L("Do logo"), m_logoColorsRow));
    auto *swatches = new QHBoxLayout;
    swatches->setSpacing(8);
    m_logoColorsSwatches = new QHBoxLayout;
    m_logoColorsSwatches->setSpacing(8);
    swatches->addLayout(m_logoColorsSwatches);
    swatches->addStretch(1);
    m_useLogoColors = borderless(L("Usar cores do logo"), Theme::accent(), m_logoColorsRow);
    connect(m_useLogoColors, &QPushButton::clicked, this, [this] {
        if (const auto before = m_brand.applyLogoColors())
            setNotice(Notice{L("Principal e secundária agora vêm do logo."), false, before});
    });
    swatches->addWidget(m_useLogoColors);
    strip->addLayout(swatches);
    card->content()->addWidget(m_logoColorsRow);

    auto *rows = new QVBoxLayout;
    rows->setSpacing(0);
    for (const ColorRole &role : colorRoles()) {
        auto *row = new QHBoxLayout;
        row->setSpacing(12);
        auto *swatch = new ColorSwatchButton(m_brand.kit().*role.field, 30, false, card);
        swatch->setToolTip(L("Abrir a paleta de cores"));
        swatch->setAccessibleName(L(LKey("Escolher a cor %@", {role.title})));
        const auto field = role.field;
        connect(swatch, &QAbstractButton::clicked, this, [this, field] {
            ColorPanelBridge::shared().open(Theme::rgb(m_brand.kit().*field), [this, field](const QColor &c) {
                writeKit([&](BrandKit &k) { k.*field = hexValue(c); });
            });
        });
        row->addWidget(swatch);
        auto *texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(themedLabel(role.title, Theme::font(13), Theme::text(), card));
        QLabel *help = themedLabel(role.help, Theme::font(11), Theme::text3(), card);
        help->setWordWrap(true); // two short lines rather than a column wider than the page's
        texts->addWidget(help);
        row->addLayout(texts, 1);
        row->addSpacing(8);
        auto *hex = new HexField(m_brand.kit().*role.field, card);
        connect(hex, &HexField::valueEdited, this, [this, field](quint32 v) { writeKit([&](BrandKit &k) { k.*field = v; }); });
        row->addWidget(hex);
        // At least 54 high, and room above and below a help text that takes two lines.
        auto *holder = new QWidget(card);
        holder->setMinimumHeight(54);
        holder->setLayout(row);
        row->setContentsMargins(0, 8, 0, 8);
        rows->addWidget(holder);
        if (field != &BrandKit::text) rows->addWidget(hairline(card));
        m_roleSwatches << swatch;
        m_roleFields << hex;
    }
    card->content()->addLayout(rows);
    return card;
}

BrandCard *BrandView::buildFontCard() {
    auto *card = new BrandCard(L("Fonte dos guias"), L("Títulos e textos dos guias exportados."), 8);
    m_fontPicker = new QComboBox(card);
    m_fontPicker->setAccessibleName(L("Fonte"));
    m_fontPicker->setToolTip(L("A fonte precisa estar instalada neste Mac"));
    m_fontPicker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // A long family name must not widen the card column.
    m_fontPicker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontPicker->setMinimumContentsLength(12);
    m_fontPicker->setFixedHeight(32);
    WheelGuard::install(m_fontPicker);
    m_fontPicker->setFont(Theme::font(13));
    // Drawn in the page's dark field colours, the list it opens too, not the light default palette.
    QPalette pickerColors = m_fontPicker->palette();
    for (auto role : {QPalette::Button, QPalette::Base, QPalette::Window}) pickerColors.setColor(role, Theme::raised());
    for (auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText}) pickerColors.setColor(role, Theme::text());
    pickerColors.setColor(QPalette::Highlight, Theme::accent());
    pickerColors.setColor(QPalette::HighlightedText, Theme::ink());
    m_fontPicker->setPalette(pickerColors);
    connect(m_fontPicker, &QComboBox::activated, this, [this](int index) {
        const QVariant family = m_fontPicker->itemData(index);
        writeKit([&](BrandKit &k) {
            k.fontFamily = family.isNull() ? std::nullopt : std::optional<QString>(family.toString());
        });
    });
    card->content()->addWidget(m_fontPicker);
    m_fontWarning = themedLabel({}, Theme::font(11), Theme::warning(), card);
    m_fontWarning->setWordWrap(true);
    card->content()->addWidget(m_fontWarning);
    return card;
}

BrandCard *BrandView::buildPrintCard() {
    auto *card = new BrandCard(L("Logo nos prints"), L("Vai na margem de todo print embelezado."), 18);
    m_logoSwitch = new BrandSwitch(card);
    m_logoSwitch->setAccessibleName(L("Logo nos prints"));
    connect(m_logoSwitch, &QAbstractButton::clicked, this,
            [this](bool on) { writeKit([&](BrandKit &k) { k.logoOnScreenshots = on; }); });
    card->setAccessory(m_logoSwitch);
    m_noLogoLine = themedLabel(L("Adicione um logo no primeiro cartão para usar esta opção."), Theme::font(12),
                               Theme::text3(), card);
    m_noLogoLine->setWordWrap(true);
    card->content()->addWidget(m_noLogoLine);

    m_printBlocks = new QWidget(card);
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
        connect(chip, &QAbstractButton::clicked, this, [this, size] { writeKit([&](BrandKit &k) { k.logoSize = size; }); });
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
    QLabel *guides = themedLabel(L("Vale também para o logo no topo dos guias."), Theme::font(11), Theme::text3(),
                                 m_printBlocks);
    guides->setWordWrap(true);
    versions->addWidget(guides);
    blocks->addLayout(versions);
    QLabel *margin = themedLabel(L("Com margem menor que 20 pt o logo não cabe e não aparece."), Theme::font(11),
                                 Theme::text3(), m_printBlocks);
    margin->setWordWrap(true);
    blocks->addWidget(margin);
    card->content()->addWidget(m_printBlocks);
    return card;
}

BrandCard *BrandView::buildBackdropsCard() {
    auto *card = new BrandCard(L("Fundos da marca"), L("Clique num fundo para editar tipo, cores e direção."), 14);
    auto *tiles = new QHBoxLayout;
    tiles->setSpacing(10);
    for (const Backdrop &backdrop : m_brand.backdrops()) {
        auto *tile = new BackdropTile(backdrop, false, card);
        connect(tile, &QAbstractButton::clicked, this, [this, tile] { editBackdrop(tile->backdrop().id); });
        tiles->addWidget(tile);
        m_tiles << tile;
    }
    card->content()->addLayout(tiles);
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(themedLabel(L("Mostrar no Editor"), Theme::font(13), Theme::text(), card));
    texts->addWidget(themedLabel(L("Na lista de fundos e no botão direito do print"), Theme::font(11), Theme::text3(), card));
    row->addLayout(texts, 1);
    m_editorSwitch = new BrandSwitch(card);
    m_editorSwitch->setAccessibleName(L("Mostrar no Editor"));
    connect(m_editorSwitch, &QAbstractButton::clicked, this, &BrandView::setBackdropsInEditor);
    row->addWidget(m_editorSwitch);
    card->content()->addLayout(row);
    m_resetBackdrops = borderless(L("Voltar aos fundos gerados pelas cores"), Theme::accent(), card);
    m_resetBackdrops->setToolTip(L("Desfaz as edições e gera os três fundos de novo a partir das cores da marca"));
    connect(m_resetBackdrops, &QPushButton::clicked, this,
            [this] { writeKit([](BrandKit &k) { k.customBackdrops.reset(); }); });
    card->content()->addWidget(m_resetBackdrops);
    return card;
}

BrandCard *BrandView::buildGuideCard() {
    auto *card = new BrandCard(L("Nos guias"), L("Nos Tutoriais, escolha o tema Marca para exportar com tudo isto."), 6);
    card->content()->addWidget(new FieldLabel(L("Rodapé"), card));
    m_footerField = plainField(L("Feito com Pelicarta"), card);
    connect(m_footerField, &QLineEdit::textEdited, this, [this](const QString &t) { writeKit([&](BrandKit &k) { k.footer = t; }); });
    card->content()->addWidget(m_footerField);
    return card;
}

QWidget *BrandView::buildPreviewPane() {
    auto *pane = new QWidget(this);
    pane->setAutoFillBackground(true);
    QPalette panePalette = pane->palette();
    panePalette.setColor(QPalette::Window, Theme::panel());
    pane->setPalette(panePalette);
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(18);
    column->setAlignment(Qt::AlignHCenter);

    m_previewSegments = new Segmented<PreviewTab>(
        QList{PreviewTab::guide, PreviewTab::print},
        [](PreviewTab tab) { return tab == PreviewTab::guide ? L("Guia") : L("Print"); }, pane);
    m_previewSegments->setLook(SegmentedRow::Look::thumb);
    m_previewSegments->setFixedWidth(180);
    m_previewSegments->setAccessibleName(L("Prévia"));
    m_previewSegments->onChosen([this](PreviewTab tab) { setPreviewTab(tab); });
    column->addWidget(m_previewSegments, 0, Qt::AlignHCenter);

    m_previewStack = new QStackedWidget(pane);
    m_guidePreview = new BrandGuidePreview;
    auto *guidePage = new ShadowHost(QColor(0, 0, 0, 89), 24, {0, 12}, 12);
    guidePage->setTarget(m_guidePreview);
    auto *guideLayout = new QVBoxLayout(guidePage);
    guideLayout->setContentsMargins(24, 0, 24, 36);
    guideLayout->addWidget(m_guidePreview, 0, Qt::AlignHCenter | Qt::AlignTop);
    guideLayout->addStretch(1);
    m_previewStack->addWidget(guidePage);
    auto *printPage = m_printShadow = new ShadowHost(QColor(0, 0, 0, 77), 18, {0, 8}, 10);
    auto *printLayout = new QVBoxLayout(printPage);
    printLayout->setContentsMargins(18, 0, 18, 0);
    printLayout->setSpacing(14);
    m_printImage = new QLabel(printPage);
    m_printImage->setAlignment(Qt::AlignCenter);
    m_printImage->setMinimumSize(200, 143);
    m_printImage->setMaximumWidth(480);
    printPage->setTarget(m_printImage);
    printLayout->addWidget(m_printImage, 0, Qt::AlignHCenter);
    auto *chips = new QHBoxLayout;
    chips->setSpacing(8);
    chips->addStretch(1);
    for (const Backdrop &backdrop : m_brand.backdrops()) {
        auto *chip = new BackdropTile(backdrop, true, printPage);
        connect(chip, &QAbstractButton::clicked, this, [this, chip] { setPreviewBackdropID(chip->backdrop().id); });
        chips->addWidget(chip);
        m_previewChips << chip;
    }
    chips->addStretch(1);
    printLayout->addLayout(chips);
    printLayout->addStretch(1);
    m_previewStack->addWidget(printPage);
    column->addWidget(m_previewStack, 1);

    m_caption = themedLabel({}, Theme::font(11), Theme::text3(), pane);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setWordWrap(true);
    column->addWidget(m_caption);
    return pane;
}

void BrandView::setBackdropsInEditor(bool on) {
    if (!on) {
        m_brand.removeBackdropsFromEditor();
    } else {
        const int n = m_brand.addBackdropsToEditor();
        if (n == 0)
            setNotice(Notice{L(LKey("A lista de fundos está cheia (%@). Apague algum no Editor e tente de novo.", {QStringLiteral("20")})),
                             true, std::nullopt});
        else if (n < 3)
            setNotice(Notice{L(LKey("Entraram %@ de 3 fundos: a lista de fundos ficou cheia.", {QString::number(n)})), true,
                             std::nullopt});
    }
    syncBackdrops();
}

void BrandView::editBackdrop(const QString &id) {
    setPreviewBackdropID(id);
    const QList<Backdrop> backdrops = m_brand.backdrops();
    const auto found = std::find_if(backdrops.begin(), backdrops.end(), [&](const Backdrop &b) { return b.id == id; });
    if (found == backdrops.end()) return;
    const BrandKit &kit = m_brand.kit();
    BackdropSheet::open(this, {*found, BrandPreviewShot::image(), {kit.primary, kit.secondary, kit.background}, L("Salvar fundo")},
                        [guard = QPointer<BrandView>(this)](std::optional<Backdrop> saved) {
                            if (!guard || !saved) return;
                            guard->m_brand.updateBackdrop(*saved);
                            guard->setPreviewBackdropID(saved->id);
                            guard->setPreviewTab(PreviewTab::print);
                        });
}

QString BrandView::previewCaption() const {
    if (m_previewTab == PreviewTab::guide) return L("Assim fica um guia exportado com o tema Marca.");
    if (m_brand.logo().isNull()) return L("Adicione um logo para vê-lo no print.");
    if (!m_brand.kit().logoOnScreenshots) return L("O logo está desligado nos prints.");
    return L("Margem, cantos e sombra vêm do seu estilo padrão.");
}

void BrandView::sync() {
    m_syncing = true;
    syncNotice();
    syncLogoCard();
    syncColors();
    syncFont();
    syncPrintCard();
    syncBackdrops();
    syncPreview();
    m_syncing = false;
}

void BrandView::syncLogoCard() {
    const BrandKit &kit = m_brand.kit();
    const bool has = !m_brand.logo().isNull();
    m_dropZone->setLogo(m_brand.logo());
    m_dropZone->setColors(kit.background, kit.text);
    m_dropZone->setBusy(m_loadingLogo);
    m_chooseButton->setText(has ? L("Trocar logo…") : L("Escolher arquivo…"));
    m_chooseButton->updateGeometry();
    m_removeButton->setVisible(has);
    if (m_nameField->text() != kit.name) m_nameField->setText(kit.name);
}

void BrandView::syncColors() {
    const BrandKit &kit = m_brand.kit();
    const QList<ColorRole> roles = colorRoles();
    for (int i = 0; i < m_roleSwatches.size(); ++i) {
        m_roleSwatches[i]->setColor(kit.*roles[i].field);
        m_roleFields[i]->setValue(kit.*roles[i].field);
    }
    const QList<quint32> colors = m_brand.logoColors();
    m_logoColorsRow->setVisible(!colors.isEmpty());
    m_useLogoColors->setVisible(LogoArt::suggestedRoles(colors).has_value());
    // A swatch's own menu changes the kit and lands here while it still delivers its click: the
    // swatches stay unless the logo's colours changed, and old ones go only once the event is over.
    if (colors == m_shownLogoColors) return;
    m_shownLogoColors = colors;
    while (QLayoutItem *item = m_logoColorsSwatches->takeAt(0)) {
        if (QWidget *gone = item->widget()) {
            gone->hide();
            gone->deleteLater();
        }
        delete item;
    }
    for (quint32 color : colors) {
        auto *swatch = new ColorSwatchButton(color, 24, true, m_logoColorsRow);
        swatch->setToolTip(L(LKey("%@ · clique para escolher onde usar", {HexField::format(color)})));
        auto *menu = new QMenu(swatch);
        for (const ColorRole &role : roles) {
            const auto field = role.field;
            menu->addAction(L(LKey("Usar como %@", {role.title.toLower()})), this,
                            [this, field, color] { writeKit([&](BrandKit &k) { k.*field = color; }); });
        }
        connect(swatch, &QAbstractButton::clicked, swatch, [swatch, menu] { menu->popup(swatch->mapToGlobal(QPoint(0, swatch->height()))); });
        m_logoColorsSwatches->addWidget(swatch);
    }
}

void BrandView::syncFont() {
    const std::optional<QString> &family = m_brand.kit().fontFamily;
    m_fontPicker->clear();
    m_fontPicker->addItem(L("Fonte do sistema"), QVariant());
    // The kit may name the family in another case or with the foundry of an older listing.
    const auto listed = !family ? m_families.cend()
                                : std::find_if(m_families.cbegin(), m_families.cend(),
                                               [&family](const QString &f) { return FontFamily::same(f, *family); });
    const bool unlisted = family && listed == m_families.cend();
    if (unlisted) m_fontPicker->addItem(L(LKey("%@ (não instalada)", {*family})), *family);
    m_fontPicker->insertSeparator(m_fontPicker->count());
    for (const QString &name : m_families) m_fontPicker->addItem(name, name);
    m_fontPicker->setCurrentIndex(!family ? 0 : m_fontPicker->findData(unlisted ? *family : *listed));
    const bool missing = family && !BrandImporter::isInstalled(*family);
    m_fontWarning->setVisible(missing);
    if (missing)
        m_fontWarning->setText(
            L(LKey("%@ não está instalada neste Mac: os guias usam a fonte do sistema até você instalá-la.", {*family})));
}

void BrandView::syncPrintCard() {
    const BrandKit &kit = m_brand.kit();
    const bool has = !m_brand.logo().isNull();
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

void BrandView::syncBackdrops() {
    const QList<Backdrop> backdrops = m_brand.backdrops();
    for (int i = 0; i < m_tiles.size() && i < backdrops.size(); ++i) {
        m_tiles[i]->setBackdrop(backdrops[i]);
        m_previewChips[i]->setBackdrop(backdrops[i]);
    }
    m_editorSwitch->setChecked(m_brand.backdropsInEditor());
    m_resetBackdrops->setVisible(m_brand.kit().customBackdrops.has_value());
}

void BrandView::syncPreview() {
    const BrandKit &kit = m_brand.kit();
    if (m_footerField->text() != kit.footer) m_footerField->setText(kit.footer);
    m_previewSegments->setValue(m_previewTab);
    m_previewStack->setCurrentIndex(m_previewTab == PreviewTab::guide ? 0 : 1);
    m_guidePreview->setKit(kit);
    m_guidePreview->setLogo(m_guideLogo);
    for (BackdropTile *chip : m_previewChips) chip->setChecked(chip->backdrop().id == m_previewBackdropID);
    if (m_printPreview.isNull()) {
        QPixmap placeholder(QSize(280, 200) * devicePixelRatioF());
        placeholder.setDevicePixelRatio(devicePixelRatioF());
        placeholder.fill(Qt::transparent);
        QPainter painter(&placeholder);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(Theme::continuousRoundedRect(QRectF(0, 0, 280, 200), 10), Theme::raised());
        painter.end();
        m_printImage->setPixmap(placeholder);
        m_printShadow->setCornerRadius(10);
    } else {
        const QSize box = QSize(480, 480 * m_printPreview.height() / qMax(1, m_printPreview.width()));
        QPixmap pixmap = QPixmap::fromImage(m_printPreview.scaled(box * devicePixelRatioF(), Qt::KeepAspectRatio,
                                                                  Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        m_printImage->setPixmap(pixmap);
        m_printShadow->setCornerRadius(0);
    }
    m_caption->setText(previewCaption());
}
