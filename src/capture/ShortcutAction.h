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
} // namespace ShortcutActions
