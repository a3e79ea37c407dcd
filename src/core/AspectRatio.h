#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The output shape of a beautified image. auto_ keeps the shape of the screenshot plus its margins.
enum class AspectRatio { auto_, wide, classic, square };

inline constexpr std::array<AspectRatio, 4> allAspectRatios{AspectRatio::auto_, AspectRatio::wide, AspectRatio::classic,
                                                            AspectRatio::square};

// "auto", "wide", "classic", "square"; any other string is no ratio.
QString rawValue(AspectRatio aspect);
std::optional<AspectRatio> aspectRatioFromRawValue(QStringView raw);

// What the user reads: "Auto" in the current language, the ratios as written everywhere ("16:9").
QString aspectLabel(AspectRatio aspect);

// Width over height: 16:9, 4:3 or 1:1; none for auto_.
std::optional<double> aspectRatioValue(AspectRatio aspect);
