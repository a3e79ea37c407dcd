#include "core/ExportSettings.h"

#include <algorithm>
#include <cmath>

namespace {

QString formatRaw(ExportFormat format) {
    switch (format) {
    case ExportFormat::png: return QStringLiteral("png");
    case ExportFormat::jpeg: return QStringLiteral("jpeg");
    case ExportFormat::heic: return QStringLiteral("heic");
    }
    return QStringLiteral("png");
}

QString scaleRaw(ExportScale scale) {
    return scale == ExportScale::standard ? QStringLiteral("standard") : QStringLiteral("retina");
}

} // namespace

QJsonObject ExportSettings::toJson() const {
    return QJsonObject{{QStringLiteral("format"), formatRaw(format)},
                       {QStringLiteral("quality"), quality},
                       {QStringLiteral("scale"), scaleRaw(scale)}};
}

std::optional<ExportSettings> ExportSettings::fromJson(const QJsonValue &json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.toObject();
    const QJsonValue format = object.value(QStringLiteral("format"));
    const QJsonValue quality = object.value(QStringLiteral("quality"));
    const QJsonValue scale = object.value(QStringLiteral("scale"));
    if (!format.isString() || !quality.isDouble() || !scale.isString()) return std::nullopt;
    if (!std::isfinite(quality.toDouble())) return std::nullopt;

    ExportSettings settings;
    const QString formatName = format.toString();
    if (formatName == QLatin1String("png")) settings.format = ExportFormat::png;
    else if (formatName == QLatin1String("jpeg")) settings.format = ExportFormat::jpeg;
    else if (formatName == QLatin1String("heic")) settings.format = ExportFormat::heic;
    else return std::nullopt;

    const QString scaleName = scale.toString();
    if (scaleName == QLatin1String("retina")) settings.scale = ExportScale::retina;
    else if (scaleName == QLatin1String("standard")) settings.scale = ExportScale::standard;
    else return std::nullopt;

    settings.quality = std::clamp(quality.toDouble(), 0.0, 1.0);
    return settings;
}
