#include "core/ShortcutAction.h"

#include "core/Localization.h"

namespace ShortcutActions {

QList<ShortcutAction> all() {
    return {ShortcutAction::captureArea, ShortcutAction::captureWindow, ShortcutAction::captureFullScreen,
            ShortcutAction::repeatLastArea, ShortcutAction::toggleTutorial};
}

QString rawValue(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::captureArea: return QStringLiteral("captureArea");
    case ShortcutAction::captureWindow: return QStringLiteral("captureWindow");
    case ShortcutAction::captureFullScreen: return QStringLiteral("captureFullScreen");
    case ShortcutAction::repeatLastArea: return QStringLiteral("repeatLastArea");
    case ShortcutAction::toggleTutorial: return QStringLiteral("toggleTutorial");
    }
    return {};
}

std::optional<ShortcutAction> fromRawValue(const QString &raw) {
    for (ShortcutAction action : all())
        if (rawValue(action) == raw) return action;
    return std::nullopt;
}

QString title(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::captureArea: return L("Capturar área");
    case ShortcutAction::captureWindow: return L("Capturar janela");
    case ShortcutAction::captureFullScreen: return L("Capturar tela inteira");
    case ShortcutAction::repeatLastArea: return L("Repetir última área");
    case ShortcutAction::toggleTutorial: return L("Gravar tutorial (liga/desliga)");
    }
    return {};
}

int hotkeyIdentifier(ShortcutAction action) { return static_cast<int>(all().indexOf(action)) + 1; }

std::optional<ShortcutAction> fromHotkeyIdentifier(int identifier) {
    const QList<ShortcutAction> actions = all();
    if (identifier < 1 || identifier > actions.size()) return std::nullopt;
    return actions.at(identifier - 1);
}

} // namespace ShortcutActions
