#pragma once

#include "tutorials/Tutorial.h"

#include <QList>
#include <QString>

class ShortcutStore;

// Texts every tutorial view words the same way.
namespace TutorialTexts {

// "1 passo", else "%@ passos" (0 included).
QString stepCount(qsizetype steps);
// The header line of an open tutorial: "Nenhum passo ainda", "1 passo", "%@ passos", and while
// recording "Gravando · 1 passo" or "Gravando · %@ passos".
QString summary(qsizetype steps, bool recording);
// The sentence that names the steps of the file left out because they cannot be read, by their places
// in the file and their titles; empty when there are none.
QString unreadableSteps(const QList<UnreadableStep> &steps);
// The keys of the tutorial toggle as the user set them ("Alt+Shift+T").
QString toggleKeys(const ShortcutStore &shortcuts);
// The keys of an area capture.
QString captureAreaKeys(const ShortcutStore &shortcuts);

} // namespace TutorialTexts
