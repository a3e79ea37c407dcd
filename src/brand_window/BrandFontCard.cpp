#include "brand_window/BrandFontCard.h"

#include "brand/BrandImporter.h"
#include "brand/BrandStore.h"
#include "core/FontFamily.h"
#include "core/Localization.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/WheelGuard.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

BrandFontCard::BrandFontCard(BrandStore &brand, QWidget *parent)
    : BrandKitCard(brand, L("Fonte dos guias"), L("Títulos e textos dos guias exportados."), 8, parent) {
    m_fontPicker = new QComboBox(this);
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
    for (auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
        pickerColors.setColor(role, Theme::text());
    pickerColors.setColor(QPalette::Highlight, Theme::accent());
    pickerColors.setColor(QPalette::HighlightedText, Theme::ink());
    m_fontPicker->setPalette(pickerColors);
    connect(m_fontPicker, &QComboBox::activated, this, [this](int index) {
        const QVariant family = m_fontPicker->itemData(index);
        writeKit([&](BrandKit &k) {
            k.fontFamily = family.isNull() ? std::nullopt : std::optional<QString>(family.toString());
        });
    });
    content()->addWidget(m_fontPicker);
    m_fontWarning = themedLabel({}, Theme::font(11), Theme::warning(), this);
    m_fontWarning->setWordWrap(true);
    content()->addWidget(m_fontWarning);
}

void BrandFontCard::listFamilies() {
    if (!m_families.isEmpty()) return;
    m_families = BrandImporter::installedFamilies();
    refresh();
}

void BrandFontCard::sync() {
    const std::optional<QString> &family = brand().kit().fontFamily;
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
        m_fontWarning->setText(L(
            LKey("%@ não está instalada neste Mac: os guias usam a fonte do sistema até você instalá-la.", {*family})));
}
