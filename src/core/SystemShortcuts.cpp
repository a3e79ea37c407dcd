#include "core/SystemShortcuts.h"

#include "core/Localization.h"
#include "platform/KeyEvent.h"
#include "platform/SystemSettings.h"

using platform::ModifierFlag::command;
using platform::ModifierFlag::control;
using platform::ModifierFlag::option;
using platform::ModifierFlag::shift;

QString ReservedShortcut::id() const {
    return QString::number(shortcut.keyCode) + QLatin1Char('-') + QString::number(shortcut.modifiers);
}

namespace SystemShortcuts {

const QList<ReservedShortcut> &all() {
    static const QList<ReservedShortcut> table = [] {
        const auto row = [](std::uint16_t keyCode, std::uint32_t modifiers, const char *label, const QString &name,
                            bool releasable = false) {
            return ReservedShortcut{Shortcut{keyCode, modifiers, QString::fromUtf8(label)}, name, releasable};
        };
        // Ctrl is stored as the command flag, Super as control (the stored values keep their Mac meaning).
        constexpr std::uint32_t ctrl = command, super = control, alt = option;
        constexpr std::uint32_t ctrlAlt = command | option;
        constexpr std::uint16_t print = 105, tab = 48, space = 49, f1 = 122, f2 = 120, f4 = 118, del = 117;
        return QList<ReservedShortcut>{
            // The desktop's own screenshot keys, which its keyboard settings can release.
            row(print, 0, "Print", L("Captura de tela"), true),
            row(print, shift, "Print", L("Captura de uma área"), true),
            row(print, alt, "Print", L("Captura da janela"), true),
            row(print, ctrl, "Print", L("Captura para a área de transferência"), true),
            // What window managers and desktops take before any program.
            row(tab, alt, "⇥", L("Trocar de janela")),
            row(tab, super, "⇥", L("Trocar de app")),
            row(f4, alt, "F4", L("Fechar janela")),
            row(f1, alt, "F1", L("Menu de aplicativos")),
            row(f2, alt, "F2", L("Executar comando")),
            row(37, super, "L", L("Bloquear a tela")),
            row(37, ctrlAlt, "L", L("Bloquear a tela")),
            row(del, ctrlAlt, "Del", L("Encerrar sessão")),
            row(17, ctrlAlt, "T", L("Abrir o terminal")),
            row(2, super, "D", L("Mostrar a área de trabalho")),
            row(space, super, "Espaço", L("Trocar idioma do teclado")),
            row(123, ctrlAlt, "←", L("Área de trabalho à esquerda")),
            row(124, ctrlAlt, "→", L("Área de trabalho à direita")),
            // What Ctrl means in every program, as ⌘ does on a Mac.
            row(12, ctrl, "Q", L("Sair do app")),
            row(13, ctrl, "W", L("Fechar janela ou aba")),
            row(8, ctrl, "C", L("Copiar")),
            row(9, ctrl, "V", L("Colar")),
            row(6, ctrl, "Z", L("Desfazer")),
            row(1, ctrl, "S", L("Salvar")),
        };
    }();
    return table;
}

std::optional<ReservedShortcut> match(const Shortcut &candidate) {
    for (const ReservedShortcut &row : all())
        if (row.shortcut.keyCode == candidate.keyCode && row.shortcut.modifiers == candidate.modifiers) return row;
    return std::nullopt;
}

void openKeyboardSettings() { platform::SystemSettings::openKeyboardSettings(); }

bool hasKeyboardSettings() { return platform::SystemSettings::hasKeyboardSettings(); }

} // namespace SystemShortcuts
