#pragma once

#include "editor_window/InspectorSectionKit.h"

#include <QWidget>

class AspectSection;
class BackdropsSection;
class ExportSection;
class PaddingSection;
class PresetsSection;
class QAbstractButton;
class TogglesSection;

// The editor's side panel: presets, backdrops, margin, switches, aspect and export of the open image,
// then the link that makes its style the default. A column 24 apart, inset 20, for a slot 300 wide;
// one per open model, as the editor page is.
//
// It keeps no data: every control calls one model or store operation, and every change the model or
// a store announces updates the affected widgets in place (nothing is rebuilt). Values set from the
// model or the stores are never written back.
class InspectorView : public QWidget {
    Q_OBJECT
public:
    InspectorView(EditorModel *model, StyleStore &styles, BrandStore &brand, QWidget *parent = nullptr);

    EditorModel *model() const { return m_context.model; }

    QSize sizeHint() const override;

private:
    void syncStyle();

    InspectorContext m_context;
    PresetsSection *m_presets;
    BackdropsSection *m_backdrops;
    PaddingSection *m_padding;
    TogglesSection *m_toggles;
    AspectSection *m_aspect;
    ExportSection *m_export;
    QAbstractButton *m_defaultLink;
};
