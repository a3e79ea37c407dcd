#include "core/EditorTool.h"

#include "core/Localization.h"
#include "platform/StringTables.h"

namespace {

struct ToolTexts {
    const char *raw;
    const char *title;
    const char *detail;
};

// Indexed by EditorTool.
constexpr std::array<ToolTexts, 8> texts{{
    {"preview", platform::textKey("Prévia"), platform::textKey("Ver o resultado final, com fundo")},
    {"select", platform::textKey("Mover"), platform::textKey("Selecionar, mover e apagar anotações")},
    {"arrow", platform::textKey("Seta"), platform::textKey("Arraste para desenhar uma seta")},
    {"rectangle", platform::textKey("Caixa"), platform::textKey("Arraste para destacar com uma caixa")},
    {"highlight", platform::textKey("Marcador"),
     platform::textKey("Arraste por cima de um trecho, como um marca-texto")},
    {"text", platform::textKey("Texto"), platform::textKey("Clique onde quer escrever")},
    {"blur", platform::textKey("Ocultar"), platform::textKey("Arraste sobre dados sensíveis para escondê-los")},
    {"crop", platform::textKey("Recortar"), platform::textKey("Arraste para escolher a parte que fica")},
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
