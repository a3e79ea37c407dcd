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
        constexpr std::uint32_t shiftCommand = shift | command;
        constexpr std::uint32_t controlCommand = control | command;
        constexpr std::uint32_t optionCommand = option | command;
        return QList<ReservedShortcut>{
            row(20, shiftCommand, "3", L("Print da tela inteira"), true),
            row(21, shiftCommand, "4", L("Print de uma área"), true),
            row(23, shiftCommand, "5", L("Ferramenta de captura"), true),
            row(22, shiftCommand, "6", L("Print da Touch Bar"), true),
            row(49, command, "Espaço", QStringLiteral("Spotlight")),
            row(49, control, "Espaço", L("Trocar idioma do teclado")),
            row(49, controlCommand, "Espaço", L("Emojis e símbolos")),
            row(48, command, "⇥", L("Trocar de app")),
            row(50, command, "`", L("Trocar de janela")),
            row(12, command, "Q", L("Sair do app")),
            row(13, command, "W", L("Fechar janela")),
            row(4, command, "H", L("Ocultar app")),
            row(46, command, "M", L("Minimizar janela")),
            row(53, optionCommand, "Esc", L("Forçar encerrar")),
            row(12, controlCommand, "Q", L("Bloquear a tela")),
            row(12, shiftCommand, "Q", L("Encerrar sessão")),
            row(2, optionCommand, "D", L("Mostrar ou ocultar o Dock")),
            row(126, control, "↑", QStringLiteral("Mission Control")),
            row(125, control, "↓", L("Janelas do app")),
            row(123, control, "←", L("Mesa à esquerda")),
            row(124, control, "→", L("Mesa à direita")),
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

} // namespace SystemShortcuts
