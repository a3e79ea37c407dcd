#pragma once

#include <QJsonObject>
#include <QJsonValue>

#include <optional>

enum class ExportFormat { png, jpeg, heic };

// retina keeps every pixel; standard halves both sides.
enum class ExportScale { retina, standard };

// Format, quality and scale of every exported image; stored as {"format", "quality", "scale"}.
struct ExportSettings {
    ExportFormat format = ExportFormat::png;
    double quality = 0.85; // 0 (smallest) … 1 (best); used by JPEG and HEIC only
    ExportScale scale = ExportScale::retina;

    bool operator==(const ExportSettings &) const = default;

    QJsonObject toJson() const;
    // All three keys are required; an unknown raw string or a wrong-typed or non-finite value makes
    // the whole value unreadable. Quality is clamped to 0…1.
    static std::optional<ExportSettings> fromJson(const QJsonValue &json);
};
