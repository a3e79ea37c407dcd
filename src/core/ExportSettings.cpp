#include "core/ExportSettings.h"

#include "core/Localization.h"

#include <algorithm>
#include <cmath>

QString rawValue(ExportFormat format) {
    switch (format) {
    case ExportFormat::png: return QStringLiteral("png");
    case ExportFormat::jpeg: return QStringLiteral("jpeg");
    case ExportFormat::heic: return QStringLiteral("heic");
    }
    return {};
}

std::optional<ExportFormat> exportFormatFromRawValue(QStringView raw) {
    for (ExportFormat format : allExportFormats)
        if (raw == rawValue(format)) return format;
    return std::nullopt;
}

QString fileExtension(ExportFormat format) {
    return format == ExportFormat::jpeg ? QStringLiteral("jpg") : rawValue(format);
}

QString formatName(ExportFormat format) { return rawValue(format).toUpper(); }

QString mimeType(ExportFormat format) { return QStringLiteral("image/") + rawValue(format); }

bool usesQuality(ExportFormat format) { return format != ExportFormat::png; }

QString scaleLabel(ExportScale scale) { return scale == ExportScale::retina ? L("2× Retina") : L("1× Leve"); }

QString rawValue(ExportScale scale) {
    switch (scale) {
    case ExportScale::retina: return QStringLiteral("retina");
    case ExportScale::standard: return QStringLiteral("standard");
    }
    return {};
}

std::optional<ExportScale> exportScaleFromRawValue(QStringView raw) {
    for (ExportScale scale : allExportScales)
        if (raw == rawValue(scale)) return scale;
    return std::nullopt;
}

double scaleFactor(ExportScale scale) { return scale == ExportScale::standard ? 0.5 : 1.0; }

QJsonObject ExportSettings::toJson() const {
    // JSON cannot carry NaN or infinities; such a value in memory is written as the default.
    const double stored = std::isfinite(quality) ? std::clamp(quality, 0.0, 1.0) : ExportSettings{}.quality;
    return QJsonObject{
        {QStringLiteral("format"), rawValue(format)},
        {QStringLiteral("quality"), stored},
        {QStringLiteral("scale"), rawValue(scale)},
    };
}

std::optional<ExportSettings> ExportSettings::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const QJsonValue format = object.value(QLatin1String("format"));
    const QJsonValue quality = object.value(QLatin1String("quality"));
    const QJsonValue scale = object.value(QLatin1String("scale"));
    if (!format.isString() || !quality.isDouble() || !scale.isString()) return std::nullopt;

    const auto readFormat = exportFormatFromRawValue(format.toString());
    const auto readScale = exportScaleFromRawValue(scale.toString());
    const double readQuality = quality.toDouble();
    if (!readFormat || !readScale || !std::isfinite(readQuality)) return std::nullopt;
    return ExportSettings{*readFormat, std::clamp(readQuality, 0.0, 1.0), *readScale};
}
