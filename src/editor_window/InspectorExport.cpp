#include "editor_window/InspectorExport.h"

#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/EditorView.h"
#include "editor_window/InspectorText.h"
#include "widgets/Icons.h"
#include "widgets/SectionLabel.h"
#include "widgets/Segmented.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/TintedSlider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

ExportSection::ExportSection(const InspectorContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_formats(new Segmented<ExportFormat>(allExportFormats, formatName, this)),
      m_tip(EditorView::tip({}, this)), m_qualityRow(new QWidget(this)),
      m_quality(new TintedSlider(SectionKit::controlTint(), m_qualityRow)),
      m_qualityReadout(themedLabel({}, Theme::monospaceFont(12), SectionKit::readoutColor(), m_qualityRow)),
      m_scales(new Segmented<ExportScale>(allExportScales, scaleLabel, this)),
      m_estimate(themedLabel({}, Theme::monospaceFont(12), Theme::text2(), this)) {
    m_formats->setObjectName(QStringLiteral("formatSwitch"));
    m_tip->setObjectName(QStringLiteral("formatTip"));
    m_qualityRow->setObjectName(QStringLiteral("qualityRow"));
    m_quality->setObjectName(QStringLiteral("qualitySlider"));
    m_qualityReadout->setObjectName(QStringLiteral("qualityReadout"));
    m_scales->setObjectName(QStringLiteral("scaleSwitch"));
    m_estimate->setObjectName(QStringLiteral("estimate"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(new SectionLabel(L("Exportar"), this));
    layout->addWidget(m_formats);
    layout->addWidget(m_tip);

    auto *quality = new QHBoxLayout(m_qualityRow);
    quality->setContentsMargins(0, 0, 0, 0);
    quality->setSpacing(10);
    quality->addWidget(themedLabel(L("Qualidade"), Theme::font(12), Theme::text2(), m_qualityRow));
    quality->addWidget(m_quality, 1);
    m_qualityReadout->setFixedWidth(38);
    m_qualityReadout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    quality->addWidget(m_qualityReadout);
    m_quality->setRange(InspectorText::qualityFirstStep, InspectorText::qualityLastStep);
    m_quality->setAccessibleName(L("Qualidade"));
    layout->addWidget(m_qualityRow);
    layout->addWidget(m_scales);

    auto *estimate = new QHBoxLayout;
    estimate->setContentsMargins(0, 2, 0, 0);
    estimate->setSpacing(6);
    auto *doc = new QLabel(this);
    doc->setPixmap(Icons::pixmap(QStringLiteral("doc"), 11, Theme::text2(), devicePixelRatioF()));
    estimate->addWidget(doc);
    estimate->addWidget(m_estimate, 1);
    layout->addLayout(estimate);

    m_formats->onChosen([this](ExportFormat format) { write([&](ExportSettings &e) { e.format = format; }); });
    m_scales->onChosen([this](ExportScale scale) { write([&](ExportSettings &e) { e.scale = scale; }); });
    connect(m_quality, &QSlider::valueChanged, this,
            [this](int step) { write([&](ExportSettings &e) { e.quality = InspectorText::qualityAt(step); }); });
    syncSettings();
    syncEstimate();
}

void ExportSection::write(const std::function<void(ExportSettings &)> &edit) {
    ExportSettings settings = m_context.styles->exportSettings();
    edit(settings);
    m_context.styles->setExportSettings(settings);
}

void ExportSection::syncSettings() {
    const ExportSettings &settings = m_context.styles->exportSettings();
    m_formats->setValue(settings.format);
    m_scales->setValue(settings.scale);
    const QString tip = InspectorText::formatTip(settings.format);
    if (m_tip->text() != tip) m_tip->setText(tip);
    m_qualityRow->setVisible(usesQuality(settings.format));
    m_qualityReadout->setText(InspectorText::qualityReadout(settings.quality));
    if (m_quality->isSliderDown()) return;
    const QSignalBlocker quiet(m_quality);
    m_quality->setValue(InspectorText::qualitySliderStep(settings.quality));
}

void ExportSection::syncEstimate() {
    const EditorModel *model = m_context.model;
    m_estimate->setText(InspectorText::estimateLine(model ? model->render().estimatedBytes() : std::nullopt,
                                                    model ? model->render().exportPixelSize() : QSize()));
}
