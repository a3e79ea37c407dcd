#include "core/Annotation.h"

#include "core/Localization.h"
#include "platform/StringTables.h"

#include <algorithm>

const std::array<Annotation::PaletteEntry, 7> Annotation::palette{{
    {0xFF5A5F, platform::textKey("Vermelho")},
    {0xFFC93C, platform::textKey("Amarelo")},
    {0x3DDC97, platform::textKey("Verde")},
    {0x4DA3FF, platform::textKey("Azul")},
    {0xB79CFF, platform::textKey("Lilás")},
    {0xFFFFFF, platform::textKey("Branco")},
    {0x15121F, platform::textKey("Preto")},
}};

std::optional<Annotation::Thickness> Annotation::thickness(int rawValue) {
    for (Thickness t : allThicknesses)
        if (static_cast<int>(t) == rawValue) return t;
    return std::nullopt;
}

double Annotation::strokeWidth(QSize imageSize, Thickness thickness) {
    const double base = std::clamp(std::max(imageSize.width(), imageSize.height()) / 320.0, 3.0, 10.0);
    switch (thickness) {
    case Thickness::thin: return base * 0.7;
    case Thickness::medium: return base;
    case Thickness::thick: return base * 1.6;
    }
    return base;
}

QString Annotation::paletteName(quint32 color) {
    for (size_t i = 0; i + 1 < palette.size(); ++i)
        if (palette[i].color == color) return L(palette[i].nameKey);
    return L(palette.back().nameKey);
}
