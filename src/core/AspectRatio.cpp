#include "core/AspectRatio.h"

#include "core/Localization.h"

QString rawValue(AspectRatio aspect) {
    switch (aspect) {
    case AspectRatio::auto_: return QStringLiteral("auto");
    case AspectRatio::wide: return QStringLiteral("wide");
    case AspectRatio::classic: return QStringLiteral("classic");
    case AspectRatio::square: return QStringLiteral("square");
    }
    return {};
}

std::optional<AspectRatio> aspectRatioFromRawValue(QStringView raw) {
    for (const AspectRatio aspect : allAspectRatios) {
        if (rawValue(aspect) == raw) return aspect;
    }
    return std::nullopt;
}

std::optional<double> aspectRatioValue(AspectRatio aspect) {
    switch (aspect) {
    case AspectRatio::auto_: return std::nullopt;
    case AspectRatio::wide: return 16.0 / 9.0;
    case AspectRatio::classic: return 4.0 / 3.0;
    case AspectRatio::square: return 1.0;
    }
    return std::nullopt;
}

QString aspectLabel(AspectRatio aspect) {
    switch (aspect) {
    case AspectRatio::auto_: return L("Auto");
    case AspectRatio::wide: return QStringLiteral("16:9");
    case AspectRatio::classic: return QStringLiteral("4:3");
    case AspectRatio::square: return QStringLiteral("1:1");
    }
    return {};
}
