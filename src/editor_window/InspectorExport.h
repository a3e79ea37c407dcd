#pragma once

#include "core/ExportSettings.h"
#include "editor_window/InspectorSectionKit.h"

#include <QWidget>

class QLabel;
class TintedSlider;
template <typename T>
class Segmented;

// The stored export settings: format, the format's note, the quality (JPEG and HEIC only), the scale,
// and the estimated size of the open image's export.
class ExportSection : public QWidget {
    Q_OBJECT
public:
    ExportSection(const InspectorContext &context, QWidget *parent = nullptr);
    // Everything follows the stored export settings, writing nothing back.
    void syncSettings();
    // The estimate line follows the model's estimate.
    void syncEstimate();

private:
    void write(const std::function<void(ExportSettings &)> &edit);

    const InspectorContext &m_context;
    Segmented<ExportFormat> *m_formats;
    QLabel *m_tip;
    QWidget *m_qualityRow;
    TintedSlider *m_quality;
    QLabel *m_qualityReadout;
    Segmented<ExportScale> *m_scales;
    QLabel *m_estimate;
};
