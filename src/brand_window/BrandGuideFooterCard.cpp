#include "brand_window/BrandGuideFooterCard.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"

#include <QLineEdit>
#include <QVBoxLayout>

BrandGuideFooterCard::BrandGuideFooterCard(BrandStore &brand, QWidget *parent)
    : BrandKitCard(brand, L("Nos guias"), L("Nos Tutoriais, escolha o tema Marca para exportar com tudo isto."), 6,
                   parent) {
    content()->addWidget(new FieldLabel(L("Rodapé"), this));
    m_footerField = plainField(L("Feito com Pelicarta"), this);
    connect(m_footerField, &QLineEdit::textEdited, this,
            [this](const QString &t) { writeKit([&](BrandKit &k) { k.footer = t; }); });
    content()->addWidget(m_footerField);
}

void BrandGuideFooterCard::sync() {
    const QString &footer = brand().kit().footer;
    if (m_footerField->text() != footer) m_footerField->setText(footer);
}
