#pragma once

#include <QList>
#include <QString>

#include <optional>

// The five capture actions, in the order that gives each its hot-key identifier (position + 1).
enum class ShortcutAction { captureArea, captureWindow, captureFullScreen, repeatLastArea, toggleTutorial };

namespace ShortcutActions {
QList<ShortcutAction> all();
// "captureArea", … as stored.
QString rawValue(ShortcutAction action);
std::optional<ShortcutAction> fromRawValue(const QString &raw);
// "Capturar área", … through L.
QString title(ShortcutAction action);
// The hot-key identifier: 1 for captureArea … 5 for toggleTutorial.
int hotkeyIdentifier(ShortcutAction action);
// The action of a hot-key identifier; none outside 1…5.
std::optional<ShortcutAction> fromHotkeyIdentifier(int identifier);
} // namespace ShortcutActions
