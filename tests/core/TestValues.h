#pragma once

#include "core/ExportSettings.h"
#include "core/Shortcut.h"

#include <QString>

#include <cstdint>

// Values several of the core's tests build, written short.
inline Shortcut sc(std::uint16_t code, std::uint32_t mods, const char *key) {
    return {code, mods, QString::fromUtf8(key)};
}

inline ExportSettings settings(ExportFormat format, ExportScale scale = ExportScale::retina, double quality = 0.85) {
    return ExportSettings{format, quality, scale};
}
