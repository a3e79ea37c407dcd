#include "editor_window/InspectorView.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/EditorView.h"
#include "editor_window/InspectorBackdrops.h"
#include "editor_window/InspectorExport.h"
#include "editor_window/InspectorPresets.h"
#include "editor_window/InspectorStyle.h"
#include "widgets/Buttons.h"
#include "widgets/Theme.h"

#include <QVBoxLayout>

InspectorView::InspectorView(EditorModel *model, StyleStore &styles, BrandStore &brand, QWidget *parent)
    : QWidget(parent), m_context{model, &styles, &brand} {
    setObjectName(QStringLiteral("inspector"));
    m_presets = new PresetsSection(m_context, this);
    m_backdrops = new BackdropsSection(m_context, this);
    m_padding = new PaddingSection(m_context, this);
    m_toggles = new TogglesSection(m_context, this);
    m_aspect = new AspectSection(m_context, this);
    m_export = new ExportSection(m_context, this);
    m_presets->setObjectName(QStringLiteral("presetsSection"));
    m_backdrops->setObjectName(QStringLiteral("backdropsSection"));
    m_padding->setObjectName(QStringLiteral("paddingSection"));
    m_toggles->setObjectName(QStringLiteral("togglesSection"));
    m_aspect->setObjectName(QStringLiteral("aspectSection"));
    m_export->setObjectName(QStringLiteral("exportSection"));
    auto *link = new LinkButton(L("Usar este estilo como padrão"), 12, this);
    link->setColor(Theme::text2());
    m_defaultLink = link;

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(24);
    for (QWidget *section :
         std::initializer_list<QWidget *>{m_presets, m_backdrops, m_padding, m_toggles, m_aspect, m_export})
        column->addWidget(section);
    column->addWidget(m_defaultLink, 0, Qt::AlignLeft);
    column->addStretch(1);

    connect(m_defaultLink, &QAbstractButton::clicked, this, [this] {
        if (m_context.model) m_context.model->makeDefault();
    });
    connect(&styles, &StyleStore::presetsChanged, m_presets, &PresetsSection::syncPresets);
    connect(&styles, &StyleStore::backdropsChanged, m_backdrops, &BackdropsSection::syncBackdrops);
    connect(&styles, &StyleStore::exportSettingsChanged, m_export, &ExportSection::syncSettings);
    connect(&brand, &BrandStore::kitChanged, m_toggles, &TogglesSection::syncLogo);
    connect(&brand, &BrandStore::logoChanged, m_toggles, &TogglesSection::syncLogo);
    if (model) {
        connect(&model->document(), &EditorDocument::styleChanged, this, &InspectorView::syncStyle);
        connect(&model->render(), &EditorRenderJob::estimatedBytesChanged, m_export, &ExportSection::syncEstimate);
        connect(&model->render(), &EditorRenderJob::exportPixelSizeChanged, m_export, &ExportSection::syncEstimate);
    }
}

QSize InspectorView::sizeHint() const { return {EditorView::panelWidth, QWidget::sizeHint().height()}; }

void InspectorView::syncStyle() {
    m_presets->syncActive();
    m_backdrops->syncSelection();
    m_padding->sync();
    m_toggles->syncStyle();
    m_aspect->sync();
}
