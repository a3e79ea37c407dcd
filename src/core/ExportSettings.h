#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The file format of an exported picture. Stored by its raw value ("png", "jpeg", "heic").
enum class ExportFormat { png, jpeg, heic };

inline constexpr std::array<ExportFormat, 3> allExportFormats{ExportFormat::png, ExportFormat::jpeg,
                                                              ExportFormat::heic};

QString rawValue(ExportFormat format);
// The format of a raw value; none for any other text.
std::optional<ExportFormat> exportFormatFromRawValue(QStringView raw);
// The extension of written files, without the point: JPEG files end in "jpg", not "jpeg".
QString fileExtension(ExportFormat format);
// The format's name in messages and menus: "PNG", "JPEG" or "HEIC".
QString formatName(ExportFormat format);
// "image/png", "image/jpeg" or "image/heic".
QString mimeType(ExportFormat format);
// Whether the encoder takes the quality into account (JPEG and HEIC do, PNG is lossless).
bool usesQuality(ExportFormat format);

// The pixel scale of an exported picture: retina keeps every pixel, standard halves both sides.
enum class ExportScale { retina, standard };

inline constexpr std::array<ExportScale, 2> allExportScales{ExportScale::retina, ExportScale::standard};

QString rawValue(ExportScale scale);
std::optional<ExportScale> exportScaleFromRawValue(QStringView raw);
// What the user reads, in the current language: "2× Nítido", "1× Leve".
QString scaleLabel(ExportScale scale);
// 1.0 for retina, 0.5 for standard.
double scaleFactor(ExportScale scale);

// What an export produces. Kept by the style store as {"format", "quality", "scale"}.
struct ExportSettings {
    ExportFormat format = ExportFormat::png;
    // Compression quality from 0 (smallest) to 1 (best); PNG ignores it.
    double quality = 0.85;
    ExportScale scale = ExportScale::retina;

    bool operator==(const ExportSettings &) const = default;

    QJsonObject toJson() const;
    // All three keys are required with values of the right type; an unknown format or scale, or a
    // quality that is not a finite number, makes the whole value unreadable (none). A quality
    // outside 0…1 is clamped into it.
    static std::optional<ExportSettings> fromJson(const QJsonValue &json);
};
