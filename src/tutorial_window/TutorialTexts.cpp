#include "tutorial_window/TutorialTexts.h"

#include "core/Localization.h"
#include "core/ShortcutStore.h"

#include <QStringList>

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

QString unreadableSteps(const QList<UnreadableStep> &steps) {
    QStringList names;
    for (const UnreadableStep &step : steps)
        names.append(step.title.trimmed().isEmpty()
                         ? QString::number(step.number)
                         : QStringLiteral("%1 (“%2”)").arg(QString::number(step.number), step.title.trimmed()));
    if (names.isEmpty()) return {};
    if (names.size() == 1)
        return L(
            LKey(QStringLiteral("O passo %@ do arquivo não pôde ser lido e ficou de fora; ele continua guardado no "
                                "arquivo."),
                 {names[0]}));
    return L(LKey(QStringLiteral("Os passos %@ do arquivo não puderam ser lidos e ficaram de fora; eles continuam "
                                 "guardados no arquivo."),
                  {names.join(QStringLiteral(", "))}));
}

QString toggleKeys(const ShortcutStore &shortcuts) {
    return shortcuts.shortcut(ShortcutAction::toggleTutorial).displayString();
}

QString captureAreaKeys(const ShortcutStore &shortcuts) {
    return shortcuts.shortcut(ShortcutAction::captureArea).displayString();
}

} // namespace TutorialTexts
