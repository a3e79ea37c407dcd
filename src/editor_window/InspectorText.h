#pragma once

#include "core/ExportSettings.h"

#include <QSize>
#include <QString>
#include <QtGlobal>

#include <optional>

// What the editor's side panel reads out, and where its sliders stand, from the stored numbers. Stored
// numbers may have been edited by hand: every conversion saturates (a margin of 1e300 reads as the
// largest whole number, NaN as 0) and a slider shows the nearest end of its range.
namespace InspectorText {

// The margin slider's whole steps: 0…20, 8 points each.
inline constexpr int paddingSteps = 20;
inline constexpr double paddingStep = 8;
// The quality slider's whole steps: 10…20, 0.05 each (0.5…1.0).
inline constexpr int qualityFirstStep = 10;
inline constexpr int qualityLastStep = 20;
inline constexpr double qualityStep = 0.05;

// The margin and the quality a slider step stands for.
inline double paddingAt(int step) { return step * paddingStep; }
inline double qualityAt(int step) { return step / 20.0; } // not step × 0.05: 17 gives exactly 0.85

// "%lld pt" with the margin cut to a whole number (64.5 reads "64 pt").
QString paddingReadout(double padding);
// The margin slider's step nearest to `padding`, within 0…20.
int paddingSliderStep(double padding);
// The quality as a whole percentage, halves away from zero (0.625 → 63).
qint64 qualityPercent(double quality);
// "%lld%%" of the percentage.
QString qualityReadout(double quality);
// The quality slider's step nearest to `quality`, within 10…20 (a stored 0.3 stands at the low end).
int qualitySliderStep(double quality);
// The line under the format row: what the format is good for.
QString formatTip(ExportFormat format);
// "Calculando tamanho…" without a byte count; otherwise "≈ <size> · <w> × <h> px".
QString estimateLine(const std::optional<qint64> &bytes, QSize pixels);

} // namespace InspectorText
