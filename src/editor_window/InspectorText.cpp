#include "editor_window/InspectorText.h"

#include "core/ByteCount.h"
#include "core/Localization.h"
#include "core/WholeNumber.h"

#include <algorithm>
#include <cmath>

namespace InspectorText {

namespace {

// The nearest whole step of `value` / `step`, held within first…last (NaN: first).
int nearestStep(double value, double step, int first, int last) {
    if (std::isnan(value)) return first;
    return int(std::clamp(std::round(value / step), double(first), double(last)));
}

} // namespace

QString paddingReadout(double padding) {
    return L(LKey(QStringLiteral("%lld pt"), {QString::number(truncatedWhole(padding))}));
}

int paddingSliderStep(double padding) { return nearestStep(padding, paddingStep, 0, paddingSteps); }

qint64 qualityPercent(double quality) { return truncatedWhole(std::round(quality * 100)); }

QString qualityReadout(double quality) {
    return L(LKey(QStringLiteral("%lld%%"), {QString::number(qualityPercent(quality))}));
}

int qualitySliderStep(double quality) { return nearestStep(quality, qualityStep, qualityFirstStep, qualityLastStep); }

QString formatTip(ExportFormat format) {
    switch (format) {
    case ExportFormat::png: return L("Sem perdas, aceita transparência");
    case ExportFormat::jpeg: return L("Leve, abre em qualquer lugar");
    case ExportFormat::heic: return L("O mais leve; ideal para Apple");
    }
    return {};
}

QString estimateLine(const std::optional<qint64> &bytes, QSize pixels) {
    if (!bytes) return L("Calculando tamanho…");
    return QStringLiteral("≈ ") + byteCountText(*bytes) + QStringLiteral(" · ") + QString::number(pixels.width()) +
           QStringLiteral(" × ") + QString::number(pixels.height()) + QStringLiteral(" px");
}

} // namespace InspectorText
