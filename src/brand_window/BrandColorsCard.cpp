#include "brand_window/BrandColorsCard.h"

#include "brand/BrandStore.h"
#include "brand/art/LogoArt.h"
#include "brand_window/BrandControls.h"
#include "core/ColorValue.h"
#include "core/Localization.h"
#include "editor_window/ColorPanelBridge.h"
#include "editor_window/HexField.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

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

BrandColorsCard::BrandColorsCard(BrandStore &brand, QWidget *parent)
    : BrandKitCard(brand, L("Cores"), L("Clique no quadrado para abrir a paleta, ou cole um código."), 14, parent) {
    m_logoColorsRow = new QWidget(this);
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
    m_useLogoColors = borderlessButton(L("Usar cores do logo"), Theme::accent(), m_logoColorsRow);
    connect(m_useLogoColors, &QPushButton::clicked, this, [this] {
        if (const auto before = this->brand().applyLogoColors())
            emit noticeRaised({L("Principal e secundária agora vêm do logo."), false, before});
    });
    swatches->addWidget(m_useLogoColors);
    strip->addLayout(swatches);
    content()->addWidget(m_logoColorsRow);

    auto *rows = new QVBoxLayout;
    rows->setSpacing(0);
    for (const ColorRole &role : colorRoles()) {
        auto *row = new QHBoxLayout;
        row->setSpacing(12);
        auto *swatch = new ColorSwatchButton(brand.kit().*role.field, 30, false, this);
        swatch->setToolTip(L("Abrir a paleta de cores"));
        swatch->setAccessibleName(L(LKey("Escolher a cor %@", {role.title})));
        const auto field = role.field;
        connect(swatch, &QAbstractButton::clicked, this, [this, field] {
            ColorPanelBridge::shared().open(Theme::rgb(this->brand().kit().*field), [this, field](const QColor &c) {
                writeKit([&](BrandKit &k) { k.*field = hexValue(c); });
            });
        });
        row->addWidget(swatch);
        auto *texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(themedLabel(role.title, Theme::font(13), Theme::text(), this));
        QLabel *help = themedLabel(role.help, Theme::font(11), Theme::text3(), this);
        help->setWordWrap(true); // two short lines rather than a column wider than the page's
        texts->addWidget(help);
        row->addLayout(texts, 1);
        row->addSpacing(8);
        auto *hex = new HexField(brand.kit().*role.field, this);
        connect(hex, &HexField::valueEdited, this,
                [this, field](quint32 v) { writeKit([&](BrandKit &k) { k.*field = v; }); });
        row->addWidget(hex);
        // At least 54 high, and room above and below a help text that takes two lines.
        auto *holder = new QWidget(this);
        holder->setMinimumHeight(54);
        holder->setLayout(row);
        row->setContentsMargins(0, 8, 0, 8);
        rows->addWidget(holder);
        if (field != &BrandKit::text) rows->addWidget(hairline(this));
        m_roleSwatches << swatch;
        m_roleFields << hex;
    }
    content()->addLayout(rows);
}

void BrandColorsCard::sync() {
    const BrandKit &kit = brand().kit();
    const QList<ColorRole> roles = colorRoles();
    for (int i = 0; i < m_roleSwatches.size(); ++i) {
        m_roleSwatches[i]->setColor(kit.*roles[i].field);
        m_roleFields[i]->setValue(kit.*roles[i].field);
    }
    const QList<quint32> colors = brand().logoColors();
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
        connect(swatch, &QAbstractButton::clicked, swatch,
                [swatch, menu] { menu->popup(swatch->mapToGlobal(QPoint(0, swatch->height()))); });
        m_logoColorsSwatches->addWidget(swatch);
    }
}
