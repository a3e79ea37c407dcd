#include "tutorial_window/TutorialTexts.h"

#include "core/Localization.h"
#include "core/ShortcutStore.h"

namespace TutorialTexts {

QString stepCount(qsizetype steps) {
    if (steps == 1) return L("1 passo");
    return L(LKey(QStringLiteral("%@ passos"), {QString::number(steps)}));
}

QString summary(qsizetype steps, bool recording) {
    if (recording) {
        if (steps == 1) return L("Gravando · 1 passo");
        return L(LKey(QStringLiteral("Gravando · %@ passos"), {QString::number(steps)}));
    }
    return steps == 0 ? L("Nenhum passo ainda") : stepCount(steps);
}

QString toggleKeys(const ShortcutStore &shortcuts) {
    return shortcuts.shortcut(ShortcutAction::toggleTutorial).displayString();
}

QString captureAreaKeys(const ShortcutStore &shortcuts) {
    return shortcuts.shortcut(ShortcutAction::captureArea).displayString();
}

} // namespace TutorialTexts
