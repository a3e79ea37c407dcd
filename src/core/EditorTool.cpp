#include "core/EditorTool.h"

#include "core/Localization.h"

namespace {

struct ToolTexts {
    const char *raw;
    const char *title;
    const char *detail;
};

// Indexed by EditorTool.
constexpr std::array<ToolTexts, 8> texts{{
    {"preview", "Prévia", "Ver o resultado final, com fundo"},
    {"select", "Mover", "Selecionar, mover e apagar anotações"},
    {"arrow", "Seta", "Arraste para desenhar uma seta"},
    {"rectangle", "Caixa", "Arraste para destacar com uma caixa"},
    {"highlight", "Marcador", "Arraste por cima de um trecho, como um marca-texto"},
    {"text", "Texto", "Clique onde quer escrever"},
    {"blur", "Ocultar", "Arraste sobre dados sensíveis para escondê-los"},
    {"crop", "Recortar", "Arraste para escolher a parte que fica"},
}};

const ToolTexts &of(EditorTool tool) { return texts[static_cast<size_t>(tool)]; }

} // namespace

namespace EditorTools {

QString rawValue(EditorTool tool) { return QString::fromLatin1(of(tool).raw); }

std::optional<EditorTool> fromRawValue(QStringView raw) {
    for (EditorTool tool : all)
        if (raw == QLatin1StringView(of(tool).raw)) return tool;
    return std::nullopt;
}

QString title(EditorTool tool) { return L(of(tool).title); }
QString detail(EditorTool tool) { return L(of(tool).detail); }

} // namespace EditorTools
