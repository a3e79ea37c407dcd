#include "editor_window/InspectorStyle.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "editor_window/InspectorText.h"
#include "widgets/SectionLabel.h"
#include "widgets/Segmented.h"
#include "widgets/SymbolButton.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/TintedSlider.h"
#include "widgets/ToggleRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QVBoxLayout *column(QWidget *owner, int spacing) {
    auto *layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

PaddingSection::PaddingSection(const InspectorContext &context, QWidget *parent)
    : QWidget(parent), m_context(context),
      m_readout(themedLabel({}, Theme::monospaceFont(12), SectionKit::readoutColor(), this)),
      m_minus(new SymbolButton(QStringLiteral("minus"), L("Diminuir margem · tecla ["), 22, Theme::text2(), this)),
      m_plus(new SymbolButton(QStringLiteral("plus"), L("Aumentar margem · tecla ]"), 22, Theme::text2(), this)),
      m_slider(new TintedSlider(SectionKit::controlTint(), this)) {
    m_readout->setObjectName(QStringLiteral("readout"));
    m_minus->setObjectName(QStringLiteral("minusButton"));
    m_plus->setObjectName(QStringLiteral("plusButton"));
    m_slider->setObjectName(QStringLiteral("slider"));
    auto *layout = column(this, 8);
    auto *header = new QHBoxLayout;
    header->setSpacing(4);
    header->addWidget(new SectionLabel(L("Margem"), this));
    header->addStretch(1);
    header->addWidget(m_readout);
    header->addSpacing(4);
    header->addWidget(m_minus);
    header->addWidget(m_plus);
    layout->addLayout(header);
    layout->addWidget(m_slider);
    m_slider->setRange(0, InspectorText::paddingSteps);
    m_slider->setAccessibleName(L("Margem"));
    connect(m_minus, &QAbstractButton::clicked, this, [this] {
        if (m_context.model) m_context.model->adjustPadding(-InspectorText::paddingStep);
    });
    connect(m_plus, &QAbstractButton::clicked, this, [this] {
        if (m_context.model) m_context.model->adjustPadding(InspectorText::paddingStep);
    });
    connect(m_slider, &QSlider::valueChanged, this, [this](int step) {
        SectionKit::editStyle(m_context.model, [&](BeautyStyle &s) { s.padding = InspectorText::paddingAt(step); });
    });
    sync();
}

void PaddingSection::sync() {
    const double padding = m_context.model ? m_context.model->document().style().padding : 0;
    const QString text = InspectorText::paddingReadout(padding);
    if (m_readout->text() != text) m_readout->setText(text);
    // While the user drags, the thumb stays where the hand is.
    if (m_slider->isSliderDown()) return;
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(InspectorText::paddingSliderStep(padding));
}

TogglesSection::TogglesSection(const InspectorContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_corners(new ToggleRow(L("Cantos arredondados"), false, this)),
      m_shadow(new ToggleRow(L("Sombra"), false, this)),
      m_balance(new ToggleRow(L("Centralizar automaticamente"), false, this)),
      m_logo(new ToggleRow(L("Logo da marca"), true, this)) {
    m_corners->setObjectName(QStringLiteral("cornersRow"));
    m_shadow->setObjectName(QStringLiteral("shadowRow"));
    m_balance->setObjectName(QStringLiteral("balanceRow"));
    m_logo->setObjectName(QStringLiteral("logoRow"));
    auto *layout = column(this, 0);
    for (ToggleRow *row : {m_corners, m_shadow, m_balance, m_logo}) layout->addWidget(row);
    const auto styleSwitch = [this](ToggleRow *row, bool BeautyStyle::*field) {
        connect(row, &ToggleRow::toggled, this, [this, field](bool on) {
            SectionKit::editStyle(m_context.model, [&](BeautyStyle &s) { s.*field = on; });
        });
    };
    styleSwitch(m_corners, &BeautyStyle::roundedCorners);
    styleSwitch(m_shadow, &BeautyStyle::shadow);
    styleSwitch(m_balance, &BeautyStyle::autoBalance);
    connect(m_logo, &ToggleRow::toggled, this, [this](bool on) {
        BrandKit kit = m_context.brand->kit();
        kit.logoOnScreenshots = on;
        m_context.brand->setKit(kit);
    });
    syncStyle();
    syncLogo();
}

void TogglesSection::syncStyle() {
    const BeautyStyle style = m_context.model ? m_context.model->document().style() : BeautyStyle{};
    m_corners->setOn(style.roundedCorners);
    m_shadow->setOn(style.shadow);
    m_balance->setOn(style.autoBalance);
}

void TogglesSection::syncLogo() {
    const BrandStore &brand = *m_context.brand;
    const bool hasLogo = !brand.logo().isNull();
    m_logo->setOn(brand.kit().logoOnScreenshots);
    m_logo->setAvailable(hasLogo);
    m_logo->setHelp(hasLogo ? L("Logo na margem dos prints. Posição, versão e tamanho ficam em Marca (⌘5)")
                            : L("Adicione um logo na página Marca (⌘5)"));
}

AspectSection::AspectSection(const InspectorContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_segments(new Segmented<AspectRatio>(allAspectRatios, aspectLabel, this)) {
    m_segments->setObjectName(QStringLiteral("aspectSwitch"));
    auto *layout = column(this, 10);
    layout->addWidget(new SectionLabel(L("Proporção"), this));
    layout->addWidget(m_segments);
    m_segments->onChosen([this](AspectRatio aspect) {
        SectionKit::editStyle(m_context.model, [&](BeautyStyle &s) { s.aspect = aspect; });
    });
    sync();
}

void AspectSection::sync() {
    m_segments->setValue(m_context.model ? m_context.model->document().style().aspect : AspectRatio::auto_);
}
